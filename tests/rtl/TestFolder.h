// Test helpers for code that works with files and the environment: a fresh folder of its own
// for each test, removed afterwards, and an environment variable set for the test's duration.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

// The whole content of a file, empty when it cannot be read.
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the system tells of the file at path (all zero when there is none).
inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// Replaces the content of a file with text.
inline void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A count the system keeps of this process' input and output ("syscr:" read calls, "syscw:"
// write calls, "rchar:" bytes read), -1 when it cannot be had.
inline long IoCount(const std::string& counter) {
    std::ifstream io("/proc/self/io");
    std::string name;
    long value = 0;
    while (io >> name >> value)
        if (name == counter) return value;
    return -1;
}

// What a shell command printed (standard output), empty when it could not be run.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
            output.append(chunk, n);
        ::pclose(pipe);
    }
    return output;
}

// The python3 that imports every module named ("dbfread, dbf"), empty when none does.
inline std::string PythonWith(const std::string& modules) {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        const std::string probe =
            std::string(candidate) + " -c 'import " + modules + "' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return candidate;
    }
    return {};
}

// What python printed (its errors too) running script as peer.py in folder.
inline std::string RunPython(const std::string& python, const std::string& folder,
                             const std::string& script) {
    WriteAll(folder + "/peer.py", script);
    return CommandOutput("cd '" + folder + "' && " + python + " peer.py 2>&1");
}

// What python (with dbfread) finds of the DBF table name in folder, then what the script more
// prints (run with name, and count the records the header counts): "length True mark True\n
// dbfread True\n" when the file is as long as the records counted, with the end-of-file mark
// right after them, and dbfread reads that many, live and deleted.
inline std::string PeerReadOfTable(const std::string& python, const std::string& folder,
                                   const std::string& name, const std::string& more = "") {
    return RunPython(python, folder, "import dbfread, struct\nname = '" + name + R"('
raw = open(name, 'rb').read()
count, header, size = struct.unpack('<IHH', raw[4:12])
print('length', len(raw) == header + count * size + 1, 'mark', raw[-1] == 0x1a)
t = dbfread.DBF(name, ignore_missing_memofile=True)
print('dbfread', len(list(t)) + len(list(t.deleted)) == count)
)" + more);
}

class TTestFolder {
public:
    TTestFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a test folder");
        path_ = pattern;
    }
    ~TTestFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or, with std::nullopt, removes) an environment variable and restores it afterwards.
class TEnvironmentOverride {
public:
    TEnvironmentOverride(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        Set(value);
    }
    ~TEnvironmentOverride() { Set(old_); }
    TEnvironmentOverride(const TEnvironmentOverride&) = delete;
    TEnvironmentOverride& operator=(const TEnvironmentOverride&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> old_;
};
