// langpack: makes the language pack files (".pbl") of the tray program from readable sources, so
// translators never write the reversed stored form by hand.
//
//   langpack build SOURCE PACK [LANGUAGE]  check SOURCE (every text and menu item translated) and
//                                          write PACK
//   langpack english PACK                  write the built-in English texts as a pack
//   langpack template SOURCE               write the built-in English as a source to translate
//
// Exit status: 0 done, 1 failed (the message names the source line), 2 wrong command line.
#include "tools/langpack/LangSource.h"
#include "platform/WholeFile.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace hookwise::tools;

using namespace hookwise::platform;

namespace {
int Usage() {
    std::fprintf(stderr, "usage: langpack build SOURCE PACK [LANGUAGE]\n"
                         "       langpack english PACK\n"
                         "       langpack template SOURCE\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "langpack: %s\n", message.c_str());
    return 1;
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.flush();
    return static_cast<bool>(out);
}

std::string StemOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    return name.substr(0, name.find('.'));
}
} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    if (args[0] == "build" && (args.size() == 3 || args.size() == 4)) {
        std::string text;
        if (ReadWholeFile(args[1], text) != 0)
            return Fail(args[1] + ": cannot open the file");
        LangSource source;
        std::string error;
        if (!ParseLangSource(text, true, source, error))
            return Fail(args[1] + ": " + error);
        std::string language = args.size() == 4 ? args[3] : StemOf(args[1]);
        if (!WriteFile(args[2], BuildPackText(source, language)))
            return Fail(args[2] + ": cannot write the file");
        return 0;
    }
    if (args[0] == "english" && args.size() == 2) {
        if (!WriteFile(args[1], BuildPackText(BuiltInSource(), "English")))
            return Fail(args[1] + ": cannot write the file");
        return 0;
    }
    if (args[0] == "template" && args.size() == 2) {
        if (!WriteFile(args[1], BuiltInSourceText()))
            return Fail(args[1] + ": cannot write the file");
        return 0;
    }
    return Usage();
}
