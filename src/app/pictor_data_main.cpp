#include "analysis/data_tool.h"
#include "platform/disk.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <unistd.h>

int main(int argc, char* argv[]) {
    // The tool draws offscreen, with no display needed, and keeps quiet
    // about a missing runtime folder, which it does not use.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QGuiApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QFile out;
    out.open(stdout, QIODevice::WriteOnly);
    QTextStream err(stderr);
    PosixDisk disk;
    const int status = runDataTool(arguments, disk, DataToolIo{out, err, ::isatty(STDERR_FILENO) == 1});
    out.flush();
    return status;
}
