#pragma once

// An in-memory disk that can be told to make one chosen write fail, the way
// a full disk or an unplugged drive would.

#include "platform/disk.h"

#include <QMap>

class FakeDisk final : public DataDisk {
public:
    struct File {
        QByteArray data;
        bool writable = true;
    };
    QMap<QString, File> files;
    int writes = 0;  // writes attempted so far
    int failAt = 0;  // the write (1-based) that fails; 0: none
    QString failReason = QStringLiteral("No space left on device");

    EntryInfo inspect(const QString& path) const override {
        EntryInfo info;
        if (!files.contains(path)) return info;
        info.kind = EntryKind::File;
        info.writable = files[path].writable;
        info.size = files[path].data.size();
        return info;
    }
    Status checkFolderOf(const QString&) const override { return Status::ok(); }
    Status writeNew(const QString& path, const QByteArray& data) override {
        if (Status s = write(path); !s.isOk()) return s;
        files[path] = File{data, true};
        return Status::ok();
    }
    Status append(const QString& path, const QByteArray& data) override {
        if (!files.contains(path)) return Status::error(path + " does not exist");
        if (Status s = write(path); !s.isOk()) return s;
        files[path].data += data;
        return Status::ok();
    }
    Status readAll(const QString& path, QByteArray* out, qint64) const override {
        if (!files.contains(path)) return Status::error(path + ": the file does not exist");
        *out = files[path].data;
        return Status::ok();
    }
    Status replaceAtomically(const QString& path, const QByteArray& data) override {
        if (Status s = write(path); !s.isOk()) return s;
        files[path] = File{data, true};
        return Status::ok();
    }
    Status remove(const QString& path) override {
        files.remove(path);
        return Status::ok();
    }
    Status makeReadOnly(const QString& path) override {
        if (!files.contains(path)) return Status::error(path + " does not exist");
        files[path].writable = false;
        return Status::ok();
    }

private:
    Status write(const QString& path) {
        if (files.contains(path) && !files[path].writable) return Status::error(path + " is read-only");
        if (++writes == failAt) return Status::error(path + ": " + failReason);
        return Status::ok();
    }
};
