#pragma once

// Where pictor-data puts what it makes. Each output is written whole to a
// new temporary file beside its place and only then put in place, so a
// failure or an interruption leaves the earlier output as it was.
//
// - A place is checked when it is claimed, before any work: its name is not
//   one the caller forbids (the data files), its folder takes a new file
//   (the temporary is created there at once, exclusively and without
//   following links), and the path is free or, when replacing is allowed, a
//   regular file that is not a symbolic link and has a write permission bit
//   (so a read-only file is refused even when the tool runs as root).
// - Every write, sync and close is checked and reported with the file and
//   the reason.
// - Putting in place never silently replaces what another program put
//   there meanwhile: a free place is taken only if it is still free, and a
//   file is replaced only if it is still the file checked at the claim.
// - Either every output of a run is put in place or none is; the
//   temporaries are removed on any failure and when the object goes.

#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class OutputFiles {
public:
    // File names ending in one of `forbiddenEndings` (any letter case) are never outputs.
    explicit OutputFiles(QStringList forbiddenEndings = {});
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // A file to write; `replace`: an existing regular, writable file may be replaced.
    Status claim(const QString& path, bool replace);
    // A new folder, made whole: it must not exist.
    Status claimFolder(const QString& path);
    // A folder to hold outputs, made now if it is missing (its parent must
    // exist) and removed again if nothing is put in it.
    Status prepareFolder(const QString& path);

    // The whole content of a claimed file, or of a file inside a claimed folder.
    Status write(const QString& path, const QByteArray& data);

    // Puts every written output in place, or none.
    Status commit();

private:
    struct Output;
    Output* find(const QString& path);
    Status place(Output& o);
    void undo(Output& o);
    void discard(Output& o);

    QStringList m_forbidden;
    QList<Output*> m_outputs;
    QStringList m_madeFolders;
};

// Ctrl-C and SIGTERM: the first asks the work to stop (it then removes its
// temporaries and ends); a second one ends the program at once.
void catchInterrupts();
bool interruptRequested();
