#include "app/LogPlainText.h"

namespace app {

std::string RenderPlainText(const std::vector<LogLine>& lines) {
    std::string out;
    for (const LogLine& line : lines) {
        out += '[';
        out += std::to_string(line.kind);
        int last = line.kind;
        for (const LogRun& run : line.runs) {
            if (run.kind == last) continue;
            last = run.kind;
            out += ',';
            out += std::to_string(run.kind);
        }
        out += "] ";
        out += line.Text();
        out += '\n';
    }
    return out;
}

std::string RenderPlainText(const LogModel& model) { return RenderPlainText(model.Lines()); }

}  // namespace app
