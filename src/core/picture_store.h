#pragma once

// The picture store, art.dat: the number of trials on its first line, then
// per picture a line with its object count and one line per object: kind,
// x, y, drawn size, colour. This is the one place that writes and reads
// those lines.
//
// Reading takes values one after another, with commas and line ends alike
// as separators and blanks around a value ignored, and checks each before
// anything is drawn, so a damaged or foreign file is reported with its
// line and problem instead of being replayed. A value on a last line
// without its line end is refused: it may have been cut off.

#include "core/picture.h"
#include "platform/status.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct PictureStore {
    int trials = 0;           // as announced on the first line
    QList<Picture> pictures;  // the complete ones, in trial order
};

// Far above any file a session writes; larger data files are refused unread.
inline constexpr qint64 kMaxDataFileBytes = 16 * 1024 * 1024;

QByteArray trialsLine(int trials);
QByteArray pictureHeaderLine(int objectCount);
QByteArray objectLine(const PictureObject& object);

// Whole: what a Judge Art session needs, exactly the announced number of
// pictures. Partial: what an unfinished session leaves, the complete
// pictures up to the announced number; a picture cut short at the end of
// the file is left out. `path` only names the file in messages.
enum class Extent { Whole, Partial };
Status readPictureStore(const QByteArray& text, const QString& path, Extent extent, PictureStore* out);
