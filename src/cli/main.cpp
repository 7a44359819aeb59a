// tidemark: the title engine from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "common/Latin1.h"

#ifdef _WIN32
// Windows shells hand "*.pdf" over as it is; the C runtime expands it when
// asked to, as POSIX shells do.
extern "C" {
int _dowildcard = -1;
}
#endif

namespace tidemark::cli {

std::string displayText(const std::string &latin1)
{
#ifdef _WIN32
    return latin1;
#else
    return latin1ToUtf8(latin1);
#endif
}

void printUsage(bool toStdout)
{
    std::FILE *out = toStdout ? stdout : stderr;
    std::fputs("Usage: tidemark title [--rule=RULE | --name TEMPLATE] [--jobs N] FILE...\n"
               "       tidemark title --explain FILE\n"
               "       tidemark rename [--rule=RULE | --name TEMPLATE] [--recursive] [--dry-run] [--no-journal]\n"
               "                       [--jobs N] PATH...\n"
               "       tidemark watch [--rule=RULE | --name TEMPLATE] [--recursive] [--existing] [--jobs N] [DIR...]\n"
               "       tidemark undo [--dry-run] [RUN]\n"
               "       tidemark history [-n N]\n"
               "       tidemark --help | --version\n",
               out);
    if (!toStdout) {
        return;
    }
    std::fputs("\n"
               "Reads the title of scientific papers from the layout of their first pages:\n"
               "every block of type weighed by size and position, with the file's own\n"
               "metadata as a witness (or, with --rule=layout, the largest type up to the\n"
               "\"Abstract\" heading, never the metadata).\n"
               "\n"
               "Commands:\n"
               "  title FILE...     print the title of each PDF: the title alone for one file,\n"
               "                    FILE<TAB>TITLE lines for several. Exit status 1 when a\n"
               "                    file has no title.\n"
               "  rename PATH...    rename each PDF file, and every PDF of each folder, to its\n"
               "                    title (\"Title.pdf\", \"Title(1).pdf\" when taken). Never\n"
               "                    replaces a file. Exit status 1 when a file failed or had no\n"
               "                    title.\n"
               "    -r, --recursive walk the subfolders of each folder too\n"
               "    -n, --dry-run   rename nothing; print what a real run would do\n"
               "    --no-journal    rename even when the journal cannot be written (such a\n"
               "                    run cannot be undone)\n"
               "    --rule=RULE     (title and rename) how titles are read: refined (the\n"
               "                    default), which weighs every block of type on the first\n"
               "                    pages by size, position and the file's own metadata,\n"
               "                    passes over mastheads, contents lists, stamps and dates,\n"
               "                    and keeps titles in any script whole; layout, the largest\n"
               "                    type up to the \"Abstract\" heading, as Tidemark.exe reads\n"
               "                    them\n"
               "    --name TEMPLATE (title, rename and watch) name files by TEMPLATE, with the\n"
               "                    fields the refined rule reads: {title}, {title:N} (its\n"
               "                    first N words), {author} (the first author's family\n"
               "                    name), {authors} (up to three, then \"et al.\"), {year}.\n"
               "                    Text in [brackets] is dropped when a field in it is\n"
               "                    empty: \"[{author} ][{year} - ]{title}\". The default,\n"
               "                    {title}, names files as without --name. title prints\n"
               "                    the name, without \".pdf\"\n"
               "    --explain       (title, one FILE) show how the refined rule read it: each\n"
               "                    block of type, its size, and why it was taken or not;\n"
               "                    where the authors and the year were found\n"
               "  -j, --jobs N      (title and rename) read N papers at once (default: one\n"
               "                    per processor); the output is that of a one-job run\n"
               "  watch DIR...      rename each PDF that arrives in the folders (created,\n"
               "                    moved in, or renamed to \".pdf\" as a finished download is)\n"
               "                    once nobody writes it and it has been unchanged for a\n"
               "                    second, until stopped (Ctrl+C, SIGTERM). One line per\n"
               "                    file as rename prints; each batch is one run of the\n"
               "                    journal. A file renamed back by hand is left alone.\n"
               "                    --rule, --name and -j as for rename.\n"
#ifndef _WIN32
               "                    Without DIR: the folders listed in\n"
               "                    ~/.config/tidemark/watch, or the download folder.\n"
#endif
               "    -r, --recursive watch the subfolders of each folder too\n"
               "    --existing      rename the PDFs already in the folders at the start too\n"
               "  undo [RUN]        take back the newest run not yet taken back, or run RUN:\n"
               "                    each file still as the run left it gets its old name\n"
               "                    back; anything else is reported and left alone. Never\n"
               "                    replaces a file. An undo is a run too, and can be undone;\n"
               "                    one that failed or stopped partway is carried on by the\n"
               "                    next undo.\n"
               "    -n, --dry-run   move nothing; print what the undo would do\n"
               "  history           list the runs in the journal, newest first: number, time,\n"
               "                    command, folder, counts, and the undo that took it back\n"
               "                    (or part of it)\n"
               "    -n N            the newest N runs (default 10)\n"
               "\n"
               "Every rename and undo run is recorded in a journal: $XDG_STATE_HOME/tidemark/\n"
               "(~/.local/state/tidemark/) on Linux, %LOCALAPPDATA%\\Tidemark\\ on Windows. A run\n"
               "that cannot be recorded is not made (exit status 2). The newest 1000 runs that\n"
               "moved a file are kept, in no more than 56 MiB but for the newest.\n"
               "\n"
               "Exit status 2 means a usage error. Messages of the PDF library go to\n"
               "standard error as \"Error: FILE: MESSAGE\".\n",
               out);
}

}  // namespace tidemark::cli

int main(int argc, char **argv)
{
    using namespace tidemark::cli;
#ifdef _WIN32
    // The C runtime leaves both streams unbuffered, and MinGW's printf hands
    // them one character at a time: a write, and under Wine a trip to the
    // server, per character. Buffered, a report line goes out at its fflush,
    // and the library's messages about a file just before its line.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 14);
    std::setvbuf(stderr, nullptr, _IOFBF, 1 << 14);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(false);
        return kUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(true);
        return kOk;
    }
    if (command == "--version" || command == "-V") {
        std::printf("tidemark %s\n", TIDEMARK_VERSION);
        return kOk;
    }
    if (command == "title") {
        return runTitle(args);
    }
    if (command == "rename") {
        return runRename(args);
    }
    if (command == "watch") {
        return runWatch(args);
    }
    if (command == "undo") {
        return runUndo(args);
    }
    if (command == "history") {
        return runHistory(args);
    }
    std::fprintf(stderr, "tidemark: unknown command '%s'\n", command.c_str());
    printUsage(false);
    return kUsage;
}
