// ravlin-cli print FILE.rvl [--view memory|file] --pdf OUT.pdf [--page-size A4|Letter|...]
// [--dpi N] [--landscape]: the printed pages of a view as a PDF file, without a printer or
// a display; --history or --battery in place of the data file prints a log.

#include <cstdlib>

#include "Cli.h"
#include "ViewSource.h"

#ifdef RAVLIN_HAVE_PRINT
#include "views/print/QtPrint.h"
#endif

namespace ravlin::cli {
namespace {

int RunPrint(TContext& ctx) {
    std::vector<std::string> args = ctx.options.args;
    TViewChoice choice;
    if (int rc = ParseViewChoice(args, {"--pdf", "--page-size", "--dpi"}, choice); rc != kOk)
        return rc;
    std::string output, pageSize = "A4";
    int dpi = 600;
    bool landscape = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--pdf" && hasValue) {
            output = args[++i];
        } else if (a == "--page-size" && hasValue) {
            pageSize = args[++i];
        } else if (a == "--dpi" && hasValue) {
            char* end = nullptr;
            const long v = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || v < 72 || v > 2400) return UsageError("--dpi needs 72 to 2400");
            dpi = static_cast<int>(v);
        } else if (a == "--landscape") {
            landscape = true;
        } else {
            return UsageError("unknown or incomplete option " + a);
        }
    }
    if (output.empty()) return UsageError("needs --pdf OUT.pdf");
#ifdef RAVLIN_HAVE_PRINT
    if (!IsKnownPageSize(pageSize))
        return UsageError("unknown page size " + pageSize +
                          " (A3, A4, A5, B5, Letter, Legal, Tabloid, Executive)");
    TViewSource source;
    if (!source.Load(ctx, choice)) return kFailed;
    TPaintingApplication app;
    const TPdfOptions options{pageSize, dpi, landscape};
    // Columns that do not fit continue on further sheets; say so when landscape pages
    // would need fewer.
    if (!landscape) {
        const int portrait = PdfColumnBands(source.Rows(), options);
        const int across = PdfColumnBands(source.Rows(), {pageSize, dpi, true});
        if (portrait > 1 && across < portrait)
            std::fprintf(stderr,
                         "ravlin-cli print: the columns continue over %d sheets across; with "
                         "--landscape %d\n",
                         portrait, across);
    }
    std::string error;
    const int sheets = PrintViewToPdf(source.Rows(), output, options, error);
    if (sheets == 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kFailed;
    }
    return kOk;
#else
    (void)dpi;
    (void)landscape;
    std::fprintf(stderr, "ravlin-cli print: built without printing support (Qt GUI)\n");
    return kFailed;
#endif
}

}  // namespace

RAVLIN_CLI_COMMAND("print",
                   "FILE.rvl [--view memory|file] | --history | --battery  --pdf OUT.pdf "
                   "[--page-size A4|Letter|...] [--dpi N] [--landscape]   print a view to a "
                   "PDF file",
                   RunPrint, {"--view", "memory|file", "the view of the data file (default: file)"},
                   {"--history", nullptr, "the reception history instead of a data file"},
                   {"--battery", nullptr, "the battery log instead of a data file"},
                   {"--pdf", "OUT.pdf", "the PDF file to write"},
                   {"--page-size", "SIZE",
                    "A3, A4 (default), A5, B5, Letter, Legal, Tabloid, Executive"},
                   {"--dpi", "N", "resolution 72 to 2400 (default 600)"},
                   {"--landscape", nullptr, "landscape pages"});

}  // namespace ravlin::cli
