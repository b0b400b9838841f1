#include "report/chart.h"

#include "report/html_text.h"

namespace vestrel {
namespace {

// In SVG user units: a label column, the bars, room for the count after the longest bar.
constexpr int kLabelWidth = 78;
constexpr int kBarSpace = 250;
constexpr int kCountWidth = 62;
constexpr int kRowHeight = 16;
constexpr int kBarHeight = 11;

}  // namespace

void appendBarChart(std::string& out, std::string_view caption, const std::vector<Bar>& bars) {
    std::int64_t most = 1;
    for (const Bar& bar : bars) most = bar.count > most ? bar.count : most;
    const int height = int(bars.size()) * kRowHeight + 4;
    out.append("<figure class=\"chart\"><figcaption>");
    out.append(caption);
    out.append("</figcaption><svg viewBox=\"0 0 ");
    appendNumber(out, kLabelWidth + kBarSpace + kCountWidth);
    out.push_back(' ');
    appendNumber(out, height);
    out.append("\" role=\"img\"><title>");
    out.append(caption);
    out.append("</title>");
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const Bar& bar = bars[i];
        const int y = int(i) * kRowHeight + 2;
        // A count above zero always shows at least a sliver.
        const std::int64_t length = bar.count == 0 ? 0 : 1 + (bar.count * (kBarSpace - 1)) / most;
        out.append("<text x=\"");
        appendNumber(out, kLabelWidth - 6);
        out.append("\" y=\"");
        appendNumber(out, y + kBarHeight - 1);
        out.append("\" text-anchor=\"end\">");
        appendEscaped(out, bar.label);
        out.append("</text><rect x=\"");
        appendNumber(out, kLabelWidth);
        out.append("\" y=\"");
        appendNumber(out, y);
        out.append("\" width=\"");
        appendNumber(out, length);
        out.append("\" height=\"");
        appendNumber(out, kBarHeight);
        out.append("\"/><text x=\"");
        appendNumber(out, kLabelWidth + length + 4);
        out.append("\" y=\"");
        appendNumber(out, y + kBarHeight - 1);
        out.append("\">");
        appendNumber(out, bar.count);
        out.append("</text>");
    }
    out.append("</svg></figure>");
}

std::string_view chartStyle() {
    return ".chart{margin:0;break-inside:avoid}"
           ".chart figcaption{font-weight:600;margin:.2em 0}"
           ".chart svg{display:block;width:100%;max-width:28rem;height:auto;font:11px sans-serif}"
           ".chart rect{fill:#5b7fa6}";
}

}  // namespace vestrel
