#pragma once

// What must hold of any material a Judge Art session accepts, whatever the
// files held: the fuzz target and the regression tests check every accepted
// input against it.

#include "core/subject_files.h"

#include <QByteArray>
#include <cmath>

// The input of the fuzz target and of the corpus files: the picture store,
// a NUL byte, then the results file (no NUL: both are the same text).
inline void splitMaterialInput(const QByteArray& input, QByteArray* art, QByteArray* results) {
    const qsizetype nul = input.indexOf('\0');
    *art = nul < 0 ? input : input.left(nul);
    *results = nul < 0 ? input : input.mid(nul + 1);
}

// The subject whose files the fuzz target and the corpus files stand for.
inline constexpr double kMaterialSubject = 42;

// True when accepted material is fit to replay. Checked here apart from the
// reader, so that a fault in the reader shows.
inline bool materialIsSound(const JudgeMaterial& m) {
    if (m.store.trials < 1 || m.store.trials > kMaxTrials) return false;
    if (m.store.pictures.size() != m.store.trials || m.results.size() != m.store.trials) return false;
    for (qsizetype t = 0; t < m.store.trials; ++t) {
        const Picture& p = m.store.pictures[t];
        if (p.objects.size() > kMaxObjects) return false;
        for (const PictureObject& o : p.objects) {
            if (!o.drawn()) continue;
            if (!std::isfinite(o.x) || !std::isfinite(o.y) || !(o.size > 0) || !std::isfinite(o.size))
                return false;
            if (o.colour > 16777215u) return false;
        }
        // Any spelling of a number counts ("2." is 2), as for the reader.
        const QList<QByteArray> f = m.results[t].text.split(',');
        bool ok = f.size() == 10;
        ok = ok && f[0].toDouble() == kMaterialSubject && f[1].toDouble() == static_cast<double>(t + 1);
        ok = ok && f[2].toDouble() == static_cast<double>(p.objects.size());
        for (int k = 6; ok && k <= 8; ++k) {
            const double rating = f[k].toDouble();
            ok = f[k].isEmpty() || (rating >= 1 && rating <= 7 && rating == std::floor(rating));
        }
        bool timeOk = false;
        const double time = ok ? f[9].toDouble(&timeOk) : 0;
        if (!ok || !timeOk || !(time >= 0) || !std::isfinite(time)) return false;
    }
    return true;
}
