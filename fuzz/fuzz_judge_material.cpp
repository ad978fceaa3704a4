// libFuzzer target: the checks of a subject's files. The input is the
// picture store, a NUL byte, the results file, and optionally a NUL byte
// and the judge results file. Any accepted input must be sound; any
// rejected one must come with a message naming its file.

#include "material_check.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray art, rest;
    splitMaterialInput(input, &art, &rest);
    const qsizetype nul = rest.indexOf('\0');
    const QByteArray results = nul < 0 ? rest : rest.left(nul);
    const QByteArray judged = nul < 0 ? QByteArray() : rest.mid(nul + 1);

    // As a Judge Art start reads them.
    JudgeMaterial material;
    const Status s = checkJudgeMaterial(art, QStringLiteral("/d/0042art.dat"), results,
                                        QStringLiteral("/d/0042res.dat"), kMaterialSubject, &material);
    check(s.isOk() ? materialIsSound(material) : s.message().contains(QLatin1String("/d/0042")));

    // As the data tool reads an unfinished session.
    PictureStore store;
    if (!readPictureStore(art, QStringLiteral("/d/a"), Extent::Partial, &store).isOk()) return 0;
    check(store.pictures.size() <= store.trials);
    QList<ResultsRow> lines;
    if (!readResults(results, QStringLiteral("/d/r"), store, kMaterialSubject, Extent::Partial, &lines)
             .isOk())
        return 0;
    check(lines.size() <= store.pictures.size());
    QList<JudgeRow> judgeLines;
    const Status j = readJudgeResults(judged, QStringLiteral("/d/j"), lines, &judgeLines);
    check(j.isOk() ? judgeLines.size() <= lines.size() : j.message().contains(QLatin1String("/d/j")));
    for (const JudgeRow& line : judgeLines) check(line.judged.time >= 0);
    return 0;
}
