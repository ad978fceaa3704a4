// libFuzzer target: the check a Judge Art start makes of the picture store
// and the results file. Any accepted input must be sound to replay; any
// rejected one must come with a message naming the file.

#include "core/judge_material_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray art, results;
    splitMaterialInput(input, &art, &results);
    JudgeMaterial material;
    const Status s = checkJudgeMaterial(art, QStringLiteral("/d/0001art.dat"), results,
                                        QStringLiteral("/d/0001res.dat"), &material);
    if (s.isOk() ? !materialIsSound(material) : !s.message().contains(QLatin1String("/d/0001")))
        __builtin_trap();
    return 0;
}
