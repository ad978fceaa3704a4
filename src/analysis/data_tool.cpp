#include "analysis/data_tool.h"

#include "analysis/contact_sheet.h"
#include "analysis/picture_render.h"
#include "analysis/subject_data.h"
#include "analysis/table.h"
#include "core/subject_files.h"
#include "core/version.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <atomic>
#include <thread>

QString dataToolHelp() {
    return QStringLiteral(
        "Usage:\n"
        "  pictor-data render FOLDER CODE [--trial N] [--as replayed|made] [--format png|svg]\n"
        "                     [--scale K] [--out DIR] [--force]\n"
        "      Draws every stored picture of the subject (or trial N) with Pictor's own figure\n"
        "      drawing, one file per picture named CODE-trialNNN.png or .svg, in DIR (default:\n"
        "      the current folder). --as replayed (the default) draws what a Judge Art session\n"
        "      shows; --as made what the subject saw in Make Art. --scale K draws K times larger.\n"
        "  pictor-data sheet FOLDER CODE [--out FILE.png] [--force]\n"
        "      A contact sheet of every picture of the subject with its trial, settings and\n"
        "      ratings (default: CODE-sheet.png).\n"
        "  pictor-data table FOLDER... [--measures] [--out FILE.csv] [--force]\n"
        "      One CSV row per subject and trial of every subject in the folders, with the\n"
        "      ratings of both sessions, the scale terms and the session status; --measures\n"
        "      adds objective measures of each picture. Without --out the table goes to\n"
        "      standard output.\n"
        "  pictor-data --help | --version\n"
        "\n"
        "An existing output file is only replaced with --force. Exit status: 0 when all was\n"
        "done, 1 when damaged data were left out, 2 for a usage error, a missing folder, no\n"
        "subjects or an output that cannot be written.\n");
}

QList<PictureMeasures> measureAll(const QList<const Picture*>& pictures,
                                  const std::function<void(int)>& progress) {
    QList<PictureMeasures> results(pictures.size());
    std::atomic<qsizetype> next{0};
    std::atomic<int> done{0};
    // Every thread measures; the calling one also reports now and then.
    auto work = [&](bool reports) {
        QElapsedTimer since;
        since.start();
        for (qsizetype i = next++; i < pictures.size(); i = next++) {
            results[i] = measurePicture(*pictures[i]);
            ++done;
            if (reports && progress && since.elapsed() >= 250) {
                progress(done);
                since.restart();
            }
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < std::max(1, QThread::idealThreadCount()); ++t) workers.emplace_back(work, false);
    work(true);
    for (std::thread& w : workers) w.join();
    if (progress) progress(done);
    return results;
}

namespace {

constexpr int kOk = 0;
constexpr int kDataLeftOut = 1;
constexpr int kUsage = 2;

struct Options {
    QStringList positional;
    QMap<QString, QString> values;  // --option value
    QSet<QString> flags;            // --option
};

class Tool {
public:
    Tool(const DataDisk& disk, DataToolIo io) : m_disk(disk), m_io(io) {}

    int run(const QStringList& args) {
        if (args.isEmpty()) return usage(QStringLiteral("say what to do: render, sheet or table."));
        const QString command = args.first();
        if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
            m_io.out.write(dataToolHelp().toUtf8());
            return kOk;
        }
        if (command == QLatin1String("--version")) {
            m_io.out.write(QByteArray("pictor-data ") + kPictorVersion + '\n');
            return kOk;
        }
        const QMap<QString, QStringList> known{
            {QStringLiteral("render"), {"--trial", "--as", "--format", "--scale", "--out"}},
            {QStringLiteral("sheet"), {"--out"}},
            {QStringLiteral("table"), {"--out"}}};
        if (!known.contains(command)) return usage(QStringLiteral("unknown command \"%1\".").arg(command));
        Options o;
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QString& a = args[i];
            if (!a.startsWith(QLatin1String("--"))) {
                o.positional << a;
            } else if (known[command].contains(a)) {
                if (i + 1 >= args.size()) return usage(QStringLiteral("%1 needs a value.").arg(a));
                o.values[a] = args[++i];
            } else if (a == QLatin1String("--force") ||
                       (command == QLatin1String("table") && a == QLatin1String("--measures"))) {
                o.flags << a;
            } else {
                return usage(QStringLiteral("unknown option \"%1\" for %2.").arg(a, command));
            }
        }
        if (command == QLatin1String("render")) return render(o);
        if (command == QLatin1String("sheet")) return sheet(o);
        return table(o);
    }

private:
    int usage(const QString& problem) {
        m_io.err << "pictor-data: " << problem << " See pictor-data --help.\n";
        m_io.err.flush();
        return kUsage;
    }
    int fail(int status, const QString& message) {
        m_io.err << "pictor-data: " << message << '\n';
        m_io.err.flush();
        return status;
    }
    bool folderExists(const QString& folder) {
        if (QFileInfo(folder).isDir()) return true;
        fail(kUsage, QStringLiteral("the folder \"%1\" does not exist.").arg(folder));
        return false;
    }
    // Writes an output in one step: a reader sees the old file or the new.
    bool save(const QByteArray& data, const QString& path) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return true;
        fail(kUsage, QStringLiteral("cannot write \"%1\": %2.").arg(path, file.errorString()));
        return false;
    }
    // A file the tool may write: not there, or there and --force given.
    bool mayWrite(const QString& path, const Options& o) {
        if (!QFileInfo::exists(path) || o.flags.contains(QStringLiteral("--force"))) return true;
        fail(kUsage, QStringLiteral("\"%1\" exists already; give --force to replace it.").arg(path));
        return false;
    }
    // Reads one subject for render and sheet; the status to leave with when it fails.
    std::optional<int> subject(const Options& o, int expected, SubjectData* s) {
        if (o.positional.size() != expected)
            return usage(expected == 2 ? QStringLiteral("give the data folder and the subject code.")
                                       : QStringLiteral("give the data folders."));
        const QString folder = o.positional[0], code = o.positional[1];
        if (!folderExists(folder)) return kUsage;
        if (m_disk.inspect(dataFilePath(asFolder(folder), code, kArtFile)).kind == EntryKind::Missing)
            return fail(kUsage,
                        QStringLiteral("no subject %1 in \"%2\": there is no %1art.dat.").arg(code, folder));
        if (Status st = loadSubject(m_disk, folder, code, s); !st.isOk())
            return fail(kDataLeftOut, st.message());
        return std::nullopt;
    }

    int render(const Options& o) {
        SubjectData s;
        if (const std::optional<int> left = subject(o, 2, &s)) return *left;
        const QString as = o.values.value(QStringLiteral("--as"), QStringLiteral("replayed"));
        const QString format = o.values.value(QStringLiteral("--format"), QStringLiteral("png"));
        if (as != QLatin1String("replayed") && as != QLatin1String("made"))
            return usage(QStringLiteral("--as takes replayed or made, not \"%1\".").arg(as));
        if (format != QLatin1String("png") && format != QLatin1String("svg"))
            return usage(QStringLiteral("--format takes png or svg, not \"%1\".").arg(format));
        bool ok = true;
        const double scale = o.values.value(QStringLiteral("--scale"), QStringLiteral("1")).toDouble(&ok);
        if (!ok || !(scale > 0) || scale > 20)
            return usage(QStringLiteral("--scale takes a number above 0 and at most 20."));
        const int pictures = static_cast<int>(s.store.pictures.size());
        int first = 1, last = pictures;
        if (o.values.contains(QStringLiteral("--trial"))) {
            first = last = o.values[QStringLiteral("--trial")].toInt(&ok);
            if (!ok || first < 1 || first > pictures)
                return usage(QStringLiteral("--trial takes a trial from 1 to %1 of subject %2.")
                                 .arg(pictures)
                                 .arg(s.code));
        }
        const QString dir = o.values.value(QStringLiteral("--out"), QStringLiteral("."));
        if (!QDir().mkpath(dir))
            return fail(kUsage, QStringLiteral("cannot create the folder \"%1\".").arg(dir));
        QStringList paths;
        for (int t = first; t <= last; ++t) {
            paths << QDir(dir).filePath(
                QStringLiteral("%1-trial%2.%3").arg(s.code).arg(t, 3, 10, QChar(u'0')).arg(format));
            if (!mayWrite(paths.last(), o)) return kUsage;
        }
        const Drawn drawn = as == QLatin1String("made") ? Drawn::Made : Drawn::Replayed;
        for (int t = first; t <= last; ++t) {
            const Picture& picture = s.store.pictures[t - 1];
            const QString& path = paths[t - first];
            const QByteArray data =
                format == QLatin1String("svg")
                    ? svgPicture(picture, drawn, scale,
                                 QStringLiteral("Subject %1, trial %2").arg(s.code).arg(t))
                    : pngImage(renderPicture(picture, drawn, scale));
            if (!save(data, path)) return kUsage;
            m_io.out.write(path.toUtf8() + '\n');
        }
        return kOk;
    }

    int sheet(const Options& o) {
        SubjectData s;
        if (const std::optional<int> left = subject(o, 2, &s)) return *left;
        const QString path = o.values.value(QStringLiteral("--out"), s.code + QStringLiteral("-sheet.png"));
        if (!mayWrite(path, o)) return kUsage;
        if (!save(pngImage(contactSheet(s)), path)) return kUsage;
        m_io.out.write(path.toUtf8() + '\n');
        return kOk;
    }

    int table(const Options& o) {
        if (o.positional.isEmpty()) return usage(QStringLiteral("give the data folders."));
        for (const QString& folder : o.positional)
            if (!folderExists(folder)) return kUsage;
        const QString outPath = o.values.value(QStringLiteral("--out"));
        if (!outPath.isEmpty() && !mayWrite(outPath, o)) return kUsage;
        const bool withMeasures = o.flags.contains(QStringLiteral("--measures"));

        QList<SubjectData> subjects;
        QStringList folders;
        bool leftOut = false;
        for (const QString& folder : o.positional) {
            for (const QString& code : findSubjects(folder)) {
                SubjectData s;
                if (Status st = loadSubject(m_disk, folder, code, &s); !st.isOk()) {
                    m_io.err << "pictor-data: subject " << code << " left out: " << st.message() << '\n';
                    leftOut = true;
                    continue;
                }
                subjects << s;
                folders << folder;
            }
        }
        m_io.err.flush();
        if (subjects.isEmpty() && !leftOut)
            return fail(kUsage, QStringLiteral("no subjects found: no file ending in art.dat in %1.")
                                    .arg(o.positional.join(QStringLiteral(", "))));

        QList<QList<PictureMeasures>> measured(subjects.size());
        if (withMeasures) {
            QList<const Picture*> pictures;
            for (const SubjectData& s : subjects)
                for (const Picture& p : s.store.pictures) pictures << &p;
            QElapsedTimer clock;
            clock.start();
            const auto all =
                measureAll(pictures, [&](int done) { showProgress(done, pictures.size(), clock); });
            if (m_io.errIsTerminal && !pictures.isEmpty()) m_io.err << '\n';
            qsizetype k = 0;
            for (qsizetype i = 0; i < subjects.size(); ++i)
                for (qsizetype j = 0; j < subjects[i].store.pictures.size(); ++j) measured[i] << all[k++];
        }
        QByteArray csv = csvLine(tableHeader(withMeasures));
        for (qsizetype i = 0; i < subjects.size(); ++i)
            for (const QStringList& row : tableRows(subjects[i], folders[i], measured[i]))
                csv += csvLine(row);
        if (outPath.isEmpty())
            m_io.out.write(csv);
        else if (!save(csv, outPath))
            return kUsage;
        return leftOut ? kDataLeftOut : kOk;
    }

    void showProgress(int done, qsizetype total, const QElapsedTimer& clock) {
        if (!m_io.errIsTerminal || total == 0) return;
        const double seconds = clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        const QString left = rate > 0 ? QStringLiteral("%1 s left").arg(qRound((total - done) / rate))
                                      : QStringLiteral("starting");
        m_io.err << QStringLiteral("\rmeasured %1 of %2 pictures, %3 per second, %4   ")
                        .arg(done)
                        .arg(total)
                        .arg(qRound(rate))
                        .arg(left);
        m_io.err.flush();
    }

    const DataDisk& m_disk;
    DataToolIo m_io;
};

}  // namespace

int runDataTool(const QStringList& arguments, const DataDisk& disk, DataToolIo io) {
    return Tool(disk, io).run(arguments);
}
