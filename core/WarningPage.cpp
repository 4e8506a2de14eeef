// The warning page's copy in the data folder.
#include "core/WarningPage.h"

#include "platform/AtomicFile.h"
#include "platform/WholeFile.h"

#include <cstdio>

using namespace hookwise::platform;

namespace hookwise::core {

bool CopyWarningPage(const std::string& applicationDirectory, const std::string& dataDirectory) {
    if (dataDirectory == applicationDirectory)
        return true;
    std::FILE* in = std::fopen((applicationDirectory + "/" + kWarningPageFile).c_str(), "rb");
    if (in == nullptr)
        return true;
    std::string page;
    const int readError = ReadWholeDescriptor(fileno(in), page);
    std::fclose(in);
    AtomicFileWriter out;
    return readError == 0 &&
           out.Create(dataDirectory + "/" + kWarningPageFile, 0644) == ERROR_SUCCESS &&
           out.Write(page.data(), page.size()) == ERROR_SUCCESS && out.Commit() == ERROR_SUCCESS;
}

} // namespace hookwise::core
