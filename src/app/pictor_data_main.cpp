#include "analysis/data_tool.h"
#include "platform/disk.h"
#include "platform/output_files.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <unistd.h>
#include <cerrno>
#include <cstring>

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
    // Standard output unbuffered, so every write is checked where it is
    // made; its closing is checked too (a full disk may only show there).
    QFile out;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream err(stderr);
    PosixDisk disk;
    catchInterrupts();
    int status = runDataTool(arguments, disk, DataToolIo{out, err, ::isatty(STDERR_FILENO) == 1});
    out.close();
    if (::close(STDOUT_FILENO) != 0 && errno != EINTR && status == 0) {
        err << "pictor-data: cannot write to standard output: " << std::strerror(errno) << ".\n";
        status = 2;
    }
    return status;
}
