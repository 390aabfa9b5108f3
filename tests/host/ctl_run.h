// Running hxmonctl in a test: its words in, its exit code and report lines out.
#pragma once

#include "hxmonctl.h"

#include <memory>
#include <string>
#include <vector>

namespace hxtest {

struct CtlOutcome {
    int exitCode = -1;
    std::vector<std::string> lines;
};

// The report's lines; a last one left without its "\n" is marked, so that a
// report the program failed to terminate cannot pass for a whole one.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start) + "<unterminated>");
    return lines;
}

// RunCtl on these words, the program's own name first.
inline CtlOutcome RunCtlWords(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    auto report = std::make_unique<Report>();
    CtlOutcome outcome;
    outcome.exitCode = RunCtl(static_cast<int>(argv.size()), argv.data(), report.get());
    outcome.lines = SplitLines(report->text);
    return outcome;
}

}  // namespace hxtest
