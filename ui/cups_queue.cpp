#include "ui/cups_queue.h"

#include <cups/cups.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace velmaro {

namespace {

// The CUPS calls used here, looked up in libcups when first asked for. Linked in, libcups and
// the dozen libraries it brings (TLS, Kerberos, Avahi) would load at every start of the
// program, some 3 ms of it, though only printing to a spooled queue asks the spooler anything.
// Every member is null when the library cannot be loaded, and failure says why.
struct CupsCalls {
    decltype(&cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&cupsFreeDests) freeDests = nullptr;
    decltype(&cupsGetOption) getOption = nullptr;
    decltype(&cupsGetJobs2) getJobs2 = nullptr;
    decltype(&cupsFreeJobs) freeJobs = nullptr;
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsDoRequest) doRequest = nullptr;
    decltype(&ippNewRequest) newRequest = nullptr;
    decltype(&ippAddString) addString = nullptr;
    decltype(&ippFindAttribute) findAttribute = nullptr;
    decltype(&ippGetString) getString = nullptr;
    decltype(&ippDelete) deleteIpp = nullptr;
    decltype(&cupsServer) server = nullptr;
    decltype(&httpConnect2) connect = nullptr;
    decltype(&httpSetTimeout) setTimeout = nullptr;
    decltype(&httpClose) close = nullptr;
    decltype(&cupsEncryption) encryption = nullptr;
    decltype(&ippPort) port = nullptr;
    std::string failure;

    bool Loaded() const { return getNamedDest != nullptr; }
};

constexpr const char* kCupsLibrary = "libcups.so.2";

CupsCalls Unloaded(const std::string& why) {
    CupsCalls none;
    none.failure = std::string(kCupsLibrary) + " could not be loaded: " + why;
    return none;
}

template <typename Call>
bool LookUp(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

CupsCalls LoadCups() {
    // The library the print dialog's CUPS support has loaded already, when it has: one spooler
    // connection and one "last error" for both. It stays loaded for the life of the process.
    void* library = dlopen(kCupsLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* error = dlerror();
        return Unloaded(error ? error : "no such library");
    }
    CupsCalls calls;
    const bool all = LookUp(library, "cupsGetNamedDest", calls.getNamedDest) &&
                     LookUp(library, "cupsFreeDests", calls.freeDests) &&
                     LookUp(library, "cupsGetOption", calls.getOption) &&
                     LookUp(library, "cupsGetJobs2", calls.getJobs2) &&
                     LookUp(library, "cupsFreeJobs", calls.freeJobs) &&
                     LookUp(library, "cupsLastError", calls.lastError) &&
                     LookUp(library, "cupsLastErrorString", calls.lastErrorString) &&
                     LookUp(library, "cupsDoRequest", calls.doRequest) &&
                     LookUp(library, "ippNewRequest", calls.newRequest) &&
                     LookUp(library, "ippAddString", calls.addString) &&
                     LookUp(library, "ippFindAttribute", calls.findAttribute) &&
                     LookUp(library, "ippGetString", calls.getString) &&
                     LookUp(library, "ippDelete", calls.deleteIpp) &&
                     LookUp(library, "cupsServer", calls.server) &&
                     LookUp(library, "httpConnect2", calls.connect) &&
                     LookUp(library, "httpSetTimeout", calls.setTimeout) &&
                     LookUp(library, "httpClose", calls.close) &&
                     LookUp(library, "cupsEncryption", calls.encryption) &&
                     LookUp(library, "ippPort", calls.port);
    return all ? calls : Unloaded("a function is missing from it");
}

const CupsCalls& Cups() {
    static const CupsCalls calls = LoadCups();
    return calls;
}

// A queue as Qt names it, "name" or "name/instance" (an instance is a set of options the
// user saved for the queue): the spooler knows the name and keeps the jobs under it.
struct QueueName {
    std::string name;
    std::string instance;

    explicit QueueName(const std::string& queue)
        : name(queue.substr(0, queue.find('/'))),
          instance(queue.size() > name.size() ? queue.substr(name.size() + 1) : "") {}
};

// The queue's destination as the spooler describes it; freed on destruction.
class Destination {
  public:
    explicit Destination(const std::string& queue) : dest_(Named(QueueName(queue))) {}
    ~Destination() {
        if (dest_) Cups().freeDests(1, dest_);
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    bool Known() const { return dest_ != nullptr; }
    std::string Option(const char* name) const {
        const char* value =
            dest_ ? Cups().getOption(name, dest_->num_options, dest_->options) : nullptr;
        return value ? value : "";
    }

  private:
    static cups_dest_t* Named(const QueueName& queue) {
        if (!Cups().Loaded()) return nullptr;
        return Cups().getNamedDest(CUPS_HTTP_DEFAULT, queue.name.c_str(),
                                   queue.instance.empty() ? nullptr : queue.instance.c_str());
    }

    cups_dest_t* dest_;
};

// The jobs of one queue, all of them (done or not); freed on destruction.
class Jobs {
  public:
    explicit Jobs(const std::string& queue)
        : count_(Cups().Loaded()
                     ? Cups().getJobs2(CUPS_HTTP_DEFAULT, &jobs_, QueueName(queue).name.c_str(), 0,
                                       CUPS_WHICHJOBS_ALL)
                     : 0) {}
    ~Jobs() {
        if (jobs_) Cups().freeJobs(count_, jobs_);
    }
    Jobs(const Jobs&) = delete;
    Jobs& operator=(const Jobs&) = delete;

    const cups_job_t* begin() const { return jobs_; }
    const cups_job_t* end() const { return jobs_ ? jobs_ + (count_ > 0 ? count_ : 0) : jobs_; }

  private:
    cups_job_t* jobs_ = nullptr;
    int count_;
};

// ipp printer-state: 5 is "stopped".
constexpr int kPrinterStopped = 5;

// The message an administrator gave when stopping the printer at uri, or when making it
// reject jobs ("Carta esaurita", "Coda chiusa"), or empty. It is not among the attributes a
// destination's description carries, so it is asked for on its own.
std::string PrinterStateMessage(const std::string& uri) {
    if (uri.empty()) return {};
    ipp_t* request = Cups().newRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    Cups().addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    Cups().addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "printer-state-message");
    // The request is freed by the call; the response is ours.
    ipp_t* response = Cups().doRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (response == nullptr) return {};
    ipp_attribute_t* attribute =
        Cups().findAttribute(response, "printer-state-message", IPP_TAG_TEXT);
    const char* text = attribute ? Cups().getString(attribute, 0, nullptr) : nullptr;
    std::string message = text ? text : "";
    Cups().deleteIpp(response);
    return message;
}

// Whether the spooler answers a request within kSpoolerPatience. A spooler that accepts the
// connection and never answers (stopped, or hung) keeps each of the library's requests, and the
// window, waiting for a minute or more.
constexpr int kSpoolerPatienceMilliseconds = 5000;

bool SpoolerAnswers() {
    http_t* connection =
        Cups().connect(Cups().server(), Cups().port(), nullptr, AF_UNSPEC, Cups().encryption(), 1,
                       kSpoolerPatienceMilliseconds, nullptr);
    if (connection == nullptr) return false;
    // Without a callback to ask whether to go on waiting, a request gives up at the timeout.
    Cups().setTimeout(connection, kSpoolerPatienceMilliseconds / 1000.0, nullptr, nullptr);
    ipp_t* response = Cups().doRequest(connection, Cups().newRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    // "Not found" (no default printer) is an answer too.
    const bool answered = response != nullptr || Cups().lastError() < IPP_STATUS_ERROR_INTERNAL;
    Cups().deleteIpp(response);
    Cups().close(connection);
    return answered;
}

}  // namespace

std::optional<std::string> CupsSpoolerUnreachable() {
    if (!Cups().Loaded() || SpoolerAnswers()) return std::nullopt;
    // The library comes with Qt's print support; a machine without the scheduler has no
    // printer, which is no fault. A scheduler installed here, or a print server named in the
    // settings, that does not answer is one.
    const std::string server = Cups().server() ? Cups().server() : "";
    const bool local =
        server.empty() || server.front() == '/' || server == "localhost" || server == "127.0.0.1";
    // The scheduler's own programs go with it; its settings stay after it is removed.
    const char* configured = std::getenv("CUPS_SERVERBIN");
    const std::string schedulerPrograms =
        std::string(configured && *configured ? configured : "/usr/lib/cups") + "/daemon";
    if (local && ::access(schedulerPrograms.c_str(), F_OK) != 0) return std::nullopt;
    return (server.empty() ? std::string("the print service") : "the print service at " + server) +
           " does not answer: is CUPS running?";
}

std::optional<std::string> CupsUnavailable() {
    if (Cups().Loaded()) return std::nullopt;
    return Cups().failure;
}

bool CupsKnowsQueue(const std::string& queue) { return Destination(queue).Known(); }

std::optional<std::string> CupsQueueProblem(const std::string& queue) {
    const Destination destination(queue);
    if (!destination.Known()) return std::nullopt;
    // Without a reason given, the spooler puts its own words in the message ("Rejecting Jobs",
    // "Paused"), which say what the error already says.
    const auto withReason = [&](std::string problem, std::string_view spoolersOwn) {
        const std::string message =
            PrinterStateMessage(destination.Option("printer-uri-supported"));
        if (!message.empty() && message != spoolersOwn) problem += ": " + message;
        return problem;
    };
    if (destination.Option("printer-is-accepting-jobs") == "false")
        return withReason("the printer is not accepting jobs", "Rejecting Jobs");
    if (std::atoi(destination.Option("printer-state").c_str()) == kPrinterStopped)
        return withReason("the printer is stopped", "Paused");
    return std::nullopt;
}

int CupsLastJobId(const std::string& queue) {
    int last = 0;
    for (const cups_job_t& job : Jobs(queue))
        if (job.id > last) last = job.id;
    return last;
}

std::optional<std::string> CupsJobProblem(const std::string& queue, int lastJobBefore,
                                          const std::string& title) {
    if (!Cups().Loaded()) return std::nullopt;
    // Read before anything else asks the spooler: the outcome of handing the job over.
    const std::string handOverError =
        Cups().lastError() > IPP_STATUS_OK_EVENTS_COMPLETE ? Cups().lastErrorString() : "";
    for (const cups_job_t& job : Jobs(queue)) {
        if (job.id <= lastJobBefore || !job.title || title != job.title) continue;
        switch (job.state) {
            case IPP_JSTATE_ABORTED:
                return std::string("the printer aborted the job");
            case IPP_JSTATE_CANCELED:
                return std::string("the job was cancelled");
            case IPP_JSTATE_STOPPED:
                return std::string("the printer stopped the job");
            default:
                return std::nullopt;
        }
    }
    return "the printer did not take the job" +
           (handOverError.empty() ? std::string() : ": " + handOverError);
}

}  // namespace velmaro
