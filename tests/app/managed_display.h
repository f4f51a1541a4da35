#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmaro::testing {

// An X server of the test's own (Xvfb) held by a window manager (openbox), for what the window
// does once a manager frames, places and maximizes it. Both end with the object.
class ManagedDisplay {
  public:
    // Starts the server on a display no other server holds, with a screen of width x height,
    // and the manager on it, and waits until both answer.
    ManagedDisplay(int width, int height);
    ~ManagedDisplay();
    ManagedDisplay(const ManagedDisplay&) = delete;
    ManagedDisplay& operator=(const ManagedDisplay&) = delete;

    // Why there is nothing to test on: the programs are not installed, or the manager did not
    // run here (its status and output). Nothing when the display is managed; then a server
    // that does not answer is a failure (Serving).
    std::optional<std::string> Unavailable() const { return unavailable_; }
    bool Serving() const { return serving_; }
    QString Display() const { return display_; }

    // The environment a program needs to run on the display, its files kept in the test's
    // temporary folder.
    QProcessEnvironment ProgramEnvironment() const { return environment_; }

    // What program says on standard output when run with arguments on the display.
    QString Asked(const QString& program, const QStringList& arguments) const;

    // Whether ready() held within the time given (30 seconds unless told), asked every 50 ms.
    static bool WaitFor(const std::function<bool()>& ready,
                        std::chrono::milliseconds within = std::chrono::seconds(30));

    // Each "Velmaro Studenti" window on the screen (its inside, without the frame, placed where
    // it stands on the screen), the narrowest first.
    std::vector<QRect> VelmaroWindows() const;

    // Stops the manager and the server; the manager's exit status and output stay readable.
    void Stop();
    QString ManagerOutput();
    int ManagerExitCode() const { return manager_.exitCode(); }

  private:
    QTemporaryDir home_;
    QProcess server_;
    QProcess manager_;
    QString display_;
    QProcessEnvironment environment_;
    bool serving_ = false;
    std::optional<std::string> unavailable_;
};

}  // namespace velmaro::testing
