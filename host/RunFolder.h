// The private folder of a server the host runs (its configuration, sockets, spool and logs), in
// the temporary folder, owned by this user and closed to everyone else. A run that was killed
// leaves its folder (and, had they outlived it, its servers); the next folder made cleans up
// what such runs of this user left: the servers still running from it are killed, the folder
// removed.
#pragma once

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class RunFolder {
public:
    // Makes a new folder named `prefix` followed by random characters, mode 0700, with a mark of
    // the process that owns it; first removes the abandoned folders of the same prefix.
    explicit RunFolder(const QString& prefix);
    // Removes the folder and everything in it.
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    bool isValid() const { return !folder.isEmpty(); }
    QString path() const { return folder; }
    QString filePath(const QString& name) const { return folder + QLatin1Char('/') + name; }

    // Removes the folders named `prefix`... in `parent` that belong to this user and whose owner
    // process is gone, after killing this user's processes that still run from them. Answers how
    // many were removed.
    static int removeAbandoned(const QString& parent, const QString& prefix);

    // The name of the mark file in each folder: "PID START" of the owning process, START being the
    // process's start time, so that a reused process id is not taken for the owner.
    static constexpr const char* kOwnerFile = "owner";

private:
    QString folder;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
