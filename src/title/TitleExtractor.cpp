#include "title/TitleExtractor.h"

#include <cstdio>
#include <memory>
#include <utility>

#include <Error.h>
#include <GfxState.h>
#include <GlobalParams.h>
#include <PDFDoc.h>
#include <TextOutputDev.h>

#include "title/Deadline.h"
#include "title/LineCollector.h"
#include "title/OpenDocument.h"
#include "title/PageText.h"
#include "title/TitleChoice.h"

namespace tidemark {

namespace {

ErrorSink &errorSink()
{
    static ErrorSink sink;
    return sink;
}

// The innermost capture of this thread: the library calls back on the
// thread that reads the document.
thread_local MessageCapture *currentCapture = nullptr;

void report(const std::string &message)
{
    if (currentCapture != nullptr) {
        currentCapture->messages.push_back(message);
    } else {
        reportError(message);
    }
}

void onLibraryError(ErrorCategory, Goffset, const char *message)
{
    report(message);
}

// The library's text device, laying out each page without an output file;
// right after the library's own end of page and layout, the page goes to the
// collector. One TextPage is reused for all pages of the document.
class CollectingTextDevice : public TextOutputDev {
public:
    explicit CollectingTextDevice(CollectorState &state)
        : TextOutputDev(nullptr, /*stream=*/nullptr, /*physLayoutA=*/false, /*fixedPitchA=*/0,
                        /*rawOrderA=*/false),
          state_(state)
    {
    }

    void endPage() override
    {
        TextOutputDev::endPage();
        deliverPageText(getFlows(), globalParams->getTextEncoding(), state_,
                        [this](const char *text, int length) { return collectLine(state_, text, length); });
    }

private:
    CollectorState &state_;
};

}  // namespace

PdfLibrary::PdfLibrary()
{
    if (globalParams) {
        return;
    }
    globalParams = std::make_unique<GlobalParams>(pdfLibraryDataDir());
    globalParams->setTextEncoding("Latin1");
    setErrorCallback(&onLibraryError);
    // The first graphics state the library makes sets up its shared colour
    // profiles, unguarded: make one now, before documents are read on
    // several threads at once.
    const PDFRectangle page(0, 0, 612, 792);
    const GfxState first(72, 72, &page, 0, true);
    owner_ = true;
}

PdfLibrary::~PdfLibrary()
{
    if (owner_) {
        globalParams.reset();
    }
}

void setErrorSink(ErrorSink sink)
{
    errorSink() = std::move(sink);
}

void reportError(const std::string &message)
{
    if (const ErrorSink &sink = errorSink()) {
        sink(message);
    } else {
        // One write per message: standard error is unbuffered, and MinGW's
        // printf would write it a character at a time.
        std::fputs(("Error: " + message + "\n").c_str(), stderr);
    }
}

MessageCapture::MessageCapture() : outer_(currentCapture)
{
    currentCapture = this;
}

MessageCapture::~MessageCapture()
{
    currentCapture = outer_;
}

Extraction extractTitle(const std::string &path, CollectorState &state, const ExtractionOptions &options)
{
    Extraction result;
    state.blocks.clear();
    {
        PdfLibrary library;
        if (!globalParams->getTextEncoding()) {
            report("Couldn't get text encoding");
        } else {
            const PdfFile file(path);
            PDFDoc &doc = file.document();
            if (!doc.isOk()) {
                // The library has reported why (missing, damaged, needs a password).
            } else if (!doc.okToCopy()) {
                report("Copying of text from this document is not allowed.");
            } else {
                const int lastPage = doc.getNumPages();
                Deadline deadline(options.timeLimit);
                {
                    CollectingTextDevice device(state);
                    if (device.isOk()) {
                        for (int page = 1; page <= lastPage; ++page) {
                            doc.displayPage(&device, page, 72, 72, 0, /*useMediaBox=*/true, /*crop=*/false,
                                            /*printing=*/false, &Deadline::abortCheck, &deadline);
                            ++result.pagesRendered;
                            if (state.stopRequested || deadline.check()) {
                                break;
                            }
                        }
                    }
                }
                if (deadline.passed) {
                    result.timedOut = true;
                    report("Gave up on '" + path + "': its pages take too long to lay out");
                } else {
                    if (!state.stopRequested) {
                        state.abstractPage = 1;
                    }
                    if (!state.blocks.empty()) {
                        result.title = chooseTitle(state.blocks, state.abstractPage);
                    }
                }
            }
        }
    }
    state.resetCounters();
    return result;
}

std::string extractTitle(const std::string &path)
{
    CollectorState state;
    return extractTitle(path, state).title;
}

}  // namespace tidemark
