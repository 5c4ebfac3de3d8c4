// Reading what the "PDF" printer wrote with the PDF tools (pdfinfo, pdftotext, pdffonts, qpdf).
#pragma once

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// The path quoted for the shell.
inline std::string ShellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What the command prints (output and errors) followed by a line "status=<exit status>".
inline std::string RunTool(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return "status=cannot run";
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe))
        out += buffer.data();
    const int status = pclose(pipe);
    return out + "\nstatus=" + std::to_string(status);
}

// The line of the text holding Needle (empty when none does).
inline std::string LineWith(const std::string& text, const std::string& needle) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.find(needle) != std::string::npos) return line;
    return {};
}

// The value of a "Name: value" line of pdfinfo's report.
inline std::string PdfInfoField(const std::string& report, const std::string& name) {
    const std::string line = LineWith(report, name + ":");
    const std::size_t value = line.find_first_not_of(' ', line.find(':') + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
}

// One word of pdftotext's boxes: its text and its box in points.
struct TPdfWord {
    std::string Text;
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};

// The words of a pdftotext -bbox output.
inline std::vector<TPdfWord> PdfWords(const std::string& Boxes) {
    std::vector<TPdfWord> words;
    for (std::size_t at = Boxes.find("<word "); at != std::string::npos;
         at = Boxes.find("<word ", at + 1)) {
        const auto value = [&](const std::string& name) {
            const std::size_t start = Boxes.find(name + "=\"", at) + name.size() + 2;
            return std::stod(Boxes.substr(start, 12));
        };
        const std::size_t textAt = Boxes.find('>', at) + 1;
        words.push_back({Boxes.substr(textAt, Boxes.find('<', textAt) - textAt), value("xMin"),
                         value("yMin"), value("xMax"), value("yMax")});
    }
    return words;
}
