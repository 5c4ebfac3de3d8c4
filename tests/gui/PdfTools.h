// Reading what the "PDF" printer wrote with the PDF tools (pdfinfo, pdftotext, pdffonts, qpdf).
#pragma once

#include <array>
#include <cstdio>
#include <sstream>
#include <string>

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
