#include "tools/pending_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

PendingFile::PendingFile(std::string destination) : destination_(std::move(destination)) {
    std::filesystem::path hidden(destination_);
    // Hidden and in the same folder, so that the final rename stays on one file system.
    std::string name = ".";
    name.append(hidden.filename().string()).append(".XXXXXX");
    hidden.replace_filename(name);
    const std::string pattern = hidden.string();
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back('\0');
    const int fd = mkstemp(text.data());
    if (fd < 0)
        throw std::runtime_error("cannot write beside " + destination_ + ": " +
                                 std::strerror(errno));
    // mkstemp makes it private; the finished file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    path_ = text.data();
}

PendingFile::~PendingFile() {
    if (!committed_)
        unlink(path_.c_str());
}

void PendingFile::commit(bool replace) {
    const int moved = replace ? rename(path_.c_str(), destination_.c_str())
                              : renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, destination_.c_str(),
                                          RENAME_NOREPLACE);
    if (moved != 0)
        throw std::runtime_error("cannot move the finished file to " + destination_ + ": " +
                                 std::strerror(errno));
    committed_ = true;
}
