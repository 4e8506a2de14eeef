// The contract between the windows and their movies, read from both sides' sources: every
// "_root." variable the program sets or reads in a movie is declared by that movie, every command
// the program handles from a movie is one the movie sends, and every command a movie sends is
// handled. A name renamed on one side only fails here instead of doing nothing at run time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSource = HOOKWISE_SOURCE_DIR;
const fs::path kMovies = kSource / "movies";

// The program's files that talk to a movie, by file name without extension (they may sit in any
// folder of the program). An empty movie name: the set-up every window gives its movie, so its
// variables must be declared by every movie and its commands sent by one at least.
struct Talker {
    std::string movie;
    std::vector<std::string> files;
};

const std::vector<Talker>& Talkers() {
    static const std::vector<Talker> talkers = {
        {"", {"MovieDialog"}},
        {"HkMain",
         {"MainWindow", "MainCommands", "AdminCommands", "MovieCommands", "MovieListProtocol",
          "ListCommands", "SettingsCommands"}},
        {"HkAlerts", {"AlertPopup"}},
        {"HkMsgBx", {"MessageBoxWindow"}},
        {"HkLogCstm", {"AlertDisplaySettingsWindow"}},
        {"HkAdvSet", {"ProtectionOptionsWindow"}},
        {"HkLogAdv", {"LogSettingsDialog"}},
        {"HkPass", {"PasswordDialog"}},
        {"AB", {"AboutWindow"}},
        {"HkSplsh", {"Splash"}},
    };
    return talkers;
}

// The folders of the program's own code (those that exist).
std::vector<fs::path> ProgramFolders() {
    std::vector<fs::path> folders;
    for (const char* name : {"app", "core", "inspector"})
        if (fs::is_directory(kSource / name))
            folders.push_back(kSource / name);
    return folders;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A C++, QML or JavaScript source split into its string literals and its code without comments
// (literals kept in place).
struct Scanned {
    std::vector<std::string> literals;
    std::string code;
};

Scanned Scan(const std::string& text) {
    Scanned out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
            continue;
        }
        if (c == '"' || c == '\'') {
            std::string literal;
            size_t j = i + 1;
            for (; j < text.size() && text[j] != c && text[j] != '\n'; ++j) {
                if (text[j] == '\\' && j + 1 < text.size())
                    literal += text[++j];
                else
                    literal += text[j];
            }
            if (c == '"')
                out.literals.push_back(literal);
            out.code.append(text, i, std::min(j + 1, text.size()) - i);
            i = j + 1;
            continue;
        }
        out.code += c;
        ++i;
    }
    return out;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// What a side names: "_root." variables (without the prefix) and "IDC_FS_" commands.
struct Names {
    std::set<std::string> variables;
    std::set<std::string> commands;
};

void Collect(const Scanned& scanned, Names& names) {
    for (const std::string& literal : scanned.literals) {
        if (StartsWith(literal, "_root.") && literal.size() > 6)
            names.variables.insert(literal.substr(6));
        else if (StartsWith(literal, "IDC_FS_"))
            names.commands.insert(literal);
    }
}

// The program's files named file (any extension, any folder).
std::vector<fs::path> ProgramFiles(const std::string& file) {
    std::vector<fs::path> found;
    for (const fs::path& folder : ProgramFolders())
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().stem() == file)
                found.push_back(entry.path());
    return found;
}

Names ProgramNames(const Talker& talker) {
    Names names;
    for (const std::string& file : talker.files) {
        const std::vector<fs::path> paths = ProgramFiles(file);
        EXPECT_FALSE(paths.empty()) << "no program file " << file;
        for (const fs::path& path : paths)
            Collect(Scan(Read(path)), names);
    }
    return names;
}

// A movie's files: its own, and every file of the folders it imports ("common", "main"), and
// theirs in turn.
std::vector<fs::path> MovieFiles(const std::string& movie) {
    std::vector<fs::path> files;
    std::set<fs::path> folders;
    std::vector<fs::path> pending = {kMovies / (movie + ".qml")};
    const std::regex import(R"re(\s*import\s+"([^"]+)".*)re");
    while (!pending.empty()) {
        const fs::path file = pending.back();
        pending.pop_back();
        files.push_back(file);
        std::istringstream lines(Read(file));
        std::smatch match;
        for (std::string line; std::getline(lines, line);) {
            if (!std::regex_match(line, match, import))
                continue;
            const fs::path folder = fs::weakly_canonical(file.parent_path() / match[1].str());
            if (!folders.insert(folder).second)
                continue;
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.path().extension() == ".qml")
                    pending.push_back(entry.path());
        }
    }
    return files;
}

// The variables a movie declares: its root's properties (its own and those of the root every
// movie has), and the names its root keeps in tables (quoted in its file).
std::set<std::string> DeclaredVariables(const std::string& movie) {
    std::set<std::string> declared;
    const std::regex property(R"re(\bproperty\s+[\w.<>]+\s+(\w+))re");
    for (const fs::path& path :
         {kMovies / (movie + ".qml"), kMovies / "common" / "MovieRoot.qml"}) {
        const Scanned scanned = Scan(Read(path));
        for (std::sregex_iterator it(scanned.code.begin(), scanned.code.end(), property);
             it != std::sregex_iterator(); ++it)
            declared.insert((*it)[1].str());
        if (path.stem() == movie)
            declared.insert(scanned.literals.begin(), scanned.literals.end());
    }
    return declared;
}

// The commands a movie sends (lower case: the windows compare them ignoring case).
std::set<std::string> SentCommands(const std::string& movie) {
    Names names;
    for (const fs::path& path : MovieFiles(movie))
        Collect(Scan(Read(path)), names);
    std::set<std::string> sent;
    for (const std::string& command : names.commands)
        sent.insert(Lower(command));
    return sent;
}

std::vector<std::string> Movies() {
    std::vector<std::string> movies;
    for (const Talker& talker : Talkers())
        if (!talker.movie.empty())
            movies.push_back(talker.movie);
    return movies;
}

TEST(MovieContractTest, EveryMovieAndEveryProgramFileThatTalksToOneIsInTheTable) {
    std::set<std::string> known;
    for (const Talker& talker : Talkers())
        known.insert(talker.files.begin(), talker.files.end());
    for (const fs::path& folder : ProgramFolders())
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            Names names;
            Collect(Scan(Read(entry.path())), names);
            if (!names.variables.empty() || !names.commands.empty()) {
                EXPECT_TRUE(known.count(entry.path().stem().string()))
                    << entry.path() << " talks to a movie; add it to the table of this test";
            }
        }

    const std::vector<std::string> movies = Movies();
    for (const auto& entry : fs::directory_iterator(kMovies)) {
        if (entry.path().extension() != ".qml")
            continue;
        EXPECT_NE(std::find(movies.begin(), movies.end(), entry.path().stem().string()),
                  movies.end())
            << entry.path() << " is a movie no window of the table shows";
    }
}

TEST(MovieContractTest, TheVariablesTheProgramSetsAreDeclaredByTheirMovie) {
    size_t checked = 0;
    for (const Talker& talker : Talkers()) {
        const Names program = ProgramNames(talker);
        for (const std::string& movie :
             talker.movie.empty() ? Movies() : std::vector{talker.movie}) {
            const std::set<std::string> declared = DeclaredVariables(movie);
            for (const std::string& variable : program.variables) {
                ++checked;
                EXPECT_TRUE(declared.count(variable))
                    << "_root." << variable << " is not declared by " << movie << ".qml";
            }
        }
    }
    EXPECT_GT(checked, 80u); // the scan found the program's variables
}

TEST(MovieContractTest, TheCommandsTheProgramHandlesAreSentByTheirMovie) {
    size_t checked = 0;
    for (const Talker& talker : Talkers()) {
        const Names program = ProgramNames(talker);
        const std::vector<std::string> movies =
            talker.movie.empty() ? Movies() : std::vector{talker.movie};
        for (const std::string& command : program.commands) {
            ++checked;
            const bool sent = std::any_of(movies.begin(), movies.end(), [&](const auto& movie) {
                return SentCommands(movie).count(Lower(command)) > 0;
            });
            EXPECT_TRUE(sent) << command << " is handled but never sent by "
                              << (talker.movie.empty() ? "any movie" : talker.movie + ".qml");
        }
    }
    EXPECT_GT(checked, 60u);
}

TEST(MovieContractTest, TheCommandsAMovieSendsAreHandledByItsWindow) {
    std::set<std::string> common;
    for (const Talker& talker : Talkers())
        if (talker.movie.empty())
            for (const std::string& command : ProgramNames(talker).commands)
                common.insert(Lower(command));
    for (const Talker& talker : Talkers()) {
        if (talker.movie.empty())
            continue;
        std::set<std::string> handled = common;
        for (const std::string& command : ProgramNames(talker).commands)
            handled.insert(Lower(command));
        const std::set<std::string> sent = SentCommands(talker.movie);
        EXPECT_FALSE(sent.empty()) << talker.movie;
        for (const std::string& command : sent)
            EXPECT_TRUE(handled.count(command))
                << talker.movie << ".qml sends " << command << ", which its window ignores";
    }
}

} // namespace
