// Loaded before the C library into a program under test: a disk that takes every write but
// loses the data before it is stored, as a full thin-provisioned volume does. The loss shows
// only when the data is flushed: fsync and fdatasync fail with EIO.

#include <cerrno>

extern "C" int fsync(int) {
    errno = EIO;
    return -1;
}

extern "C" int fdatasync(int) {
    errno = EIO;
    return -1;
}
