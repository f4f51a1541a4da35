#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// A PDF file written object by object, front to back, to a sink: the header first, then the
// objects in any order of their numbers, then the cross-reference table that gives each
// object's place. Bytes go to the sink in blocks; the first failure of the sink is kept and
// reported by every later call, and nothing is reported written that the sink refused.
class PdfDocument {
  public:
    // Takes bytes in order; an Error when they could not be written.
    using Sink = std::function<Status(std::string_view)>;

    explicit PdfDocument(Sink sink);

    // A new object number, for an object written now or later (every number given must be
    // written before Finish).
    int NewObject();
    // Object number with body, a PDF value ("<< /Type /Page ... >>").
    Status WriteObject(int number, std::string_view body);
    // What a stream holds, which tells how hard its compression should look for repeats.
    enum class StreamData {
        kRepetitive,  // page contents and maps: a longer search repays itself
        kDense,       // a font program: a longer search saves 2 % of bytes for half again the time
    };

    // Object number as a stream of data, compressed; entries are the stream dictionary's
    // entries besides its length and filter.
    Status WriteStream(int number, std::string_view entries, std::string_view data,
                       StreamData kind = StreamData::kRepetitive);
    // The same for data compressed before, by Compressed: a stream that several documents
    // hold is compressed once.
    Status WriteCompressedStream(int number, std::string_view entries, std::string_view compressed);
    // data as a stream's compressed bytes (a zlib stream).
    static std::string Compressed(std::string_view data, StreamData kind);
    // Ends the file with the cross-reference table and a trailer naming the catalogue root
    // and the information dictionary info, and hands every byte still held to the sink.
    Status Finish(int root, int info);

  private:
    // Notes where object number begins and writes its first line.
    Status BeginObject(int number);
    Status Append(std::string_view bytes);
    Status Flush();

    Sink sink_;
    std::string held_;
    std::uint64_t written_ = 0;           // bytes of the file so far, held ones included
    std::vector<std::uint64_t> offsets_;  // by object number; 0 until written
    Status failure_ = Ok();
};

// number with up to three decimals and no trailing zeros ("720", "11188.8", "-0.125"), as
// PDF content and objects write numbers.
void AppendPdfNumber(std::string& out, double number);

}  // namespace velmaro
