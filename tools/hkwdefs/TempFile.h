// TempFile: a file of the tool's own in the temporary folder, deleted when the object goes.
#pragma once

#include <string>
#include <string_view>

namespace hookwise::tools {

class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    // Deletes the file, if one was created.
    ~TempFile();

    // Creates a new file named hkwdefs-<random>.pbd in the temporary folder ($TMPDIR or /tmp) and
    // writes bytes into it. False, with the reason in error and no file left, when that fails.
    bool Create(std::string_view bytes, std::string& error);

    // The file's absolute path; empty before a successful Create.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace hookwise::tools
