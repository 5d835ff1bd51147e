// Where the program keeps its own files (Config/ParamInfo.ini, the tables under DB/), and how they are
// written there.
//
// The folder is chosen once, at start: the executable's folder when this user owns it and nobody else
// can write there (the build tree, or a copy in the user's own folder); otherwise the user's data folder,
// $XDG_DATA_HOME/trackora, or ~/.local/share/trackora when XDG_DATA_HOME is unset or not absolute. That
// folder is created 0700 when missing; an existing one must be a real folder of this user that nobody
// else can write. There is no fallback to a shared folder: without a home folder the choice fails with a
// reason, and the program says so instead of starting.
#pragma once

#include <string>

struct DataFolderChoice {
    std::string folder;  // with a trailing '/'; empty when no folder could be chosen
    std::string error;   // why not, when `folder` is empty
};

// The choice for an executable in `exeDir` and the environment's XDG_DATA_HOME and HOME (nullptr when
// unset). Creates the data folder (and its parents) when it is the one chosen and missing.
[[nodiscard]] DataFolderChoice ChooseDataFolder(const std::string& exeDir, const char* xdgDataHome,
                                                const char* home);

// Makes the choice for this process, once; later calls return the first outcome.
const DataFolderChoice& InitProgramFolder();
// The folder of the program's own files, with a trailing '/' (the choice above, made on first use unless a
// test has redirected it). Empty when no folder could be chosen.
std::string ProgramFolder();
// Redirects ProgramFolder() (an empty text goes back to the choice).
void SetProgramFolder(const std::string& folder);

// Makes `path` a folder that only this user can write: creates it 0700 when missing (its parents too),
// and accepts an existing one only when it is a folder (not a symbolic link) owned by this user that no
// one else can write. Returns an empty text, or why the folder cannot be used.
[[nodiscard]] std::string UsePrivateFolder(const std::string& path);

// Replaces the file `path` with `bytes`: written to a new temporary beside it (never through a link) and
// renamed over it, so a failed write never leaves half a file. The file's folder is made with
// UsePrivateFolder first. Returns an empty text, or the system's reason.
[[nodiscard]] std::string ReplaceFile(const std::string& path, const std::string& bytes);
