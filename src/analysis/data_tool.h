#pragma once

// The command line of pictor-data, kept apart from main() so that tests can
// run it: its commands and options, messages and exit status.
// Exit status: 0 when everything asked for was done (warnings on standard
// error say what was read around); 1 when damaged data were left out; 2 for
// a usage error, a missing folder, no subjects, or an output that cannot or
// may not be written, and then nothing of the run is put in place; 130 when
// stopped by Ctrl-C, with nothing put in place either.

#include "platform/disk.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

struct DataToolIo {
    QIODevice& out;              // the table when it has no --out, and the names of written files
    QTextStream& err;            // messages and progress
    bool errIsTerminal = false;  // progress is shown only to a person
};

int runDataTool(const QStringList& arguments, const DataDisk& disk, DataToolIo io);
