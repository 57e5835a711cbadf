// The page's entry: the functions its worker calls, and the script those call back.

#include "chartfinder.h"
#include "checkresult.h"
#include "pagebridge.h"
#include "pagesession.h"

#include <emscripten.h>

#include <string>
#include <string_view>

// The worker's script takes each piece for the page, and reads the chart it holds.
EM_JS(void, pageAddLog, (const char *data, std::size_t size),
    { Module.onLog(HEAPU8.subarray(data, data + size)); });
EM_JS(void, pageAddFindings, (const char *data, std::size_t size),
    { Module.onFindings(HEAPU8.subarray(data, data + size)); });
EM_JS(void, pageMendBegins, (double untouched), { Module.onMendBegins(untouched); });
EM_JS(void, pageAddMended, (const char *data, std::size_t size),
    { Module.onMended(HEAPU8.subarray(data, data + size)); });
EM_JS(int, pageOpenChart, (), { return Module.openChart(); });
EM_JS(int, pageReadChart, (int reader, char *data, std::size_t size),
    { return Module.readChart(reader, HEAPU8.subarray(data, data + size)); });
EM_JS(void, pageCloseChart, (int reader), { Module.closeChart(reader); });

namespace {

PageSession &session()
{
    static PageSession pageSession;
    return pageSession;
}

} // namespace

extern "C" {

/// Checks the chart the worker holds; name is how the findings name it. Returns the
/// CheckOutcome as a number.
EMSCRIPTEN_KEEPALIVE int quilletCheck(const char *name)
{
    return int(session().check(name).outcome);
}

/// The number of measures the last check's chart has mended, its mended bytes handed over; 0
/// when there is nothing to download.
EMSCRIPTEN_KEEPALIVE double quilletMended()
{
    return double(session().mended());
}

/// The summary of the charts checked since the last reset, in quillet-check's words.
EMSCRIPTEN_KEEPALIVE const char *quilletSummary()
{
    static std::string text;
    text = session().summary();
    return text.c_str();
}

/// A new set of charts begins.
EMSCRIPTEN_KEEPALIVE void quilletReset()
{
    session().reset();
}

/// True when quillet-check would check the file at this path inside a folder given to it: no
/// part of the path begins with "._" and the file's name ends in ".sm".
EMSCRIPTEN_KEEPALIVE int quilletIsChartInFolder(const char *path)
{
    const std::string_view whole(path);
    std::size_t start = 0;
    for (std::size_t slash; (slash = whole.find('/', start)) != std::string_view::npos;
         start = slash + 1) {
        if (whole.substr(start).starts_with("._"))
            return 0;
    }
    return quillet::ChartFinder::isChartName(std::string(whole.substr(start))) ? 1 : 0;
}
}
