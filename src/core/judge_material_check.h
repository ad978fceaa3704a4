#pragma once

// What must hold of any material a Judge Art session accepts, whatever the
// files held: the fuzz target and the regression tests check every accepted
// input against it.

#include "core/picture_store.h"

#include <QByteArray>
#include <cmath>

// The input of the fuzz target and of the corpus files: the picture store,
// a NUL byte, then the results file (no NUL: both are the same text).
inline void splitMaterialInput(const QByteArray& input, QByteArray* art, QByteArray* results) {
    const qsizetype nul = input.indexOf('\0');
    *art = nul < 0 ? input : input.left(nul);
    *results = nul < 0 ? input : input.mid(nul + 1);
}

// True when accepted material is fit to replay.
inline bool materialIsSound(const JudgeMaterial& m) {
    if (m.store.trials < 1 || m.store.trials > kMaxTrials) return false;
    if (m.store.pictures.size() != m.store.trials || m.resultsLines.size() != m.store.trials) return false;
    for (const StoredPicture& p : m.store.pictures) {
        if (p.objects.size() > kMaxObjects) return false;
        for (const StoredObject& o : p.objects) {
            if (!std::isfinite(o.x) || !std::isfinite(o.y) || !(o.size > 0) || !std::isfinite(o.size))
                return false;
            if (o.colour > 16777215u) return false;
        }
    }
    return true;
}
