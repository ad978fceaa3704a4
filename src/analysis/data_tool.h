#pragma once

// The command line of pictor-data, kept apart from main() so that tests can
// run it: render, sheet and table, their options, messages and exit status.
// Exit status: 0 when everything asked for was done; 1 when data were
// damaged (a subject left out of a table, or a subject that cannot be
// drawn); 2 for a usage error, a missing folder, no subjects, or an output
// that cannot or may not be written.

#include "analysis/measures.h"
#include "platform/disk.h"

#include <QIODevice>
#include <QList>
#include <QStringList>
#include <QTextStream>
#include <functional>

struct DataToolIo {
    QIODevice& out;              // the table when it has no --out, and the names of written files
    QTextStream& err;            // messages and progress
    bool errIsTerminal = false;  // progress is shown only to a person
};

int runDataTool(const QStringList& arguments, const DataDisk& disk, DataToolIo io);

QString dataToolHelp();

// Measures the pictures on all cores; `progress` is called now and then on
// the calling thread with the number done.
QList<PictureMeasures> measureAll(const QList<const Picture*>& pictures,
                                  const std::function<void(int done)>& progress = {});
