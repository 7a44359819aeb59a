#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "title/TitleBlock.h"

namespace tidemark {

// Keeps the PDF library's process-wide parameters (Latin-1 text encoding,
// our error reporting) installed for as long as it lives. An extraction
// creates its own when none is installed; a folder run holds one for the whole
// run so that the parameters are built once, which changes no result.
class PdfLibrary {
public:
    PdfLibrary();
    ~PdfLibrary();
    PdfLibrary(const PdfLibrary &) = delete;
    PdfLibrary &operator=(const PdfLibrary &) = delete;

private:
    bool owner_ = false;
};

// Where the library's messages go: by default standard error, as
// "Error: " and the message on one line.
using ErrorSink = std::function<void(const std::string &message)>;
void setErrorSink(ErrorSink sink);  // an empty sink restores the default
// Hands a message to the error sink.
void reportError(const std::string &message);

// While it lives, the library's messages about extractions on the thread
// that made it are kept here instead of going to the error sink, so that
// extractions running side by side can report each file's messages
// together. The sink is not safe to call from several threads; captures are.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    std::vector<std::string> messages;

private:
    MessageCapture *outer_;
};

struct ExtractionOptions {
    // Gives up on a document whose pages take longer than this to lay out
    // (zero: no limit). No real paper comes near the default.
    std::chrono::milliseconds timeLimit{std::chrono::seconds(20)};
};

struct Extraction {
    std::string title;      // Latin-1 bytes, empty when none was found
    int pagesRendered = 0;  // pages laid out before the title was chosen
    bool timedOut = false;  // the time limit ended the search; the title is empty
};

// Reads the title of the PDF at `path` (bytes handed to the library as they
// are). `state` is the collector state of this extraction; its blocks are
// cleared first and stay for inspection afterwards, its counters are reset.
Extraction extractTitle(const std::string &path, CollectorState &state, const ExtractionOptions &options = {});

// The title of the PDF at `path`, empty when none was found or the file
// cannot be read (the reason goes to the error sink).
std::string extractTitle(const std::string &path);

}  // namespace tidemark
