#include "analysis/data_tool.h"

#include "analysis/contact_sheet.h"
#include "analysis/measures.h"
#include "analysis/picture_render.h"
#include "analysis/subject_data.h"
#include "analysis/table.h"
#include "core/subject_files.h"
#include "core/version.h"
#include "platform/output_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QSet>

namespace {

constexpr int kOk = 0;
constexpr int kDataLeftOut = 1;
constexpr int kUsage = 2;

// Scales that give a picture of at least 47 x 38 and at most 4710 x 3750 pixels.
constexpr double kMinScale = 0.1;
constexpr double kMaxScale = 10.0;

struct Command {
    const char* name;
    const char* synopsis;
    const char* about;
    QStringList values;  // options that take a value
    QStringList flags;
};

const QList<Command>& commands() {
    static const QList<Command> all{
        {"render",
         "pictor-data render FOLDER CODE [--trial N] [--as replayed|made] [--format png|svg] [--scale K]\n"
         "                   [--out DIR] [--force]",
         "Draws every stored picture of the subject (or trial N) with Pictor's own figure drawing, one\n"
         "file per picture named CODE-trialNNN.png or .svg, in DIR (default: the current folder). --as\n"
         "replayed (the default) draws what a Judge Art session shows; --as made what the subject saw in\n"
         "Make Art. --scale K (0.1 to 10) draws K times larger.",
         {"--trial", "--as", "--format", "--scale", "--out"},
         {"--force"}},
        {"sheet",
         "pictor-data sheet FOLDER CODE [--out FILE.png] [--force]",
         "A contact sheet of every picture of the subject with its trial, settings and the ratings of\n"
         "both sessions, and each session's scale terms (default: CODE-sheet.png).",
         {"--out"},
         {"--force"}},
        {"table",
         "pictor-data table FOLDER... [--measures] [--out FILE.csv] [--force]",
         "One CSV row per subject and trial of every subject in the folders, with the ratings and the\n"
         "scale terms of both sessions and the sessions' status; --measures adds objective measures of\n"
         "each picture as made and as replayed. Without --out the table goes to standard output.",
         {"--out"},
         {"--measures", "--force"}},
    };
    return all;
}

QString help(const Command* only) {
    QString text = QStringLiteral("Usage:\n");
    for (const Command& c : commands())
        if (!only || only == &c)
            text += QStringLiteral("  %1\n%2\n")
                        .arg(QLatin1String(c.synopsis),
                             QStringLiteral("      ") +
                                 QString::fromLatin1(c.about).replace(u'\n', QStringLiteral("\n      ")));
    if (!only) text += QStringLiteral("  pictor-data COMMAND --help | --help | --version\n");
    return text +
           QStringLiteral(
               "\nAn output is never a data file; an existing one is replaced only with --force, and only\n"
               "when it is a regular, writable file. Outputs appear whole or not at all. Exit status: 0\n"
               "when all was done, 1 when damaged data were left out, 2 for a usage error, a missing\n"
               "folder, no subjects or an output that cannot be written.\n");
}

struct Options {
    QStringList positional;
    QMap<QString, QString> values;  // --option value
    QSet<QString> flags;            // --option
};

QStringList dataFileEndings() {
    QStringList endings;
    for (const char* name : kSubjectFileNames) endings << QLatin1String(name);
    return endings;
}

class Tool {
public:
    Tool(const DataDisk& disk, DataToolIo io) : m_disk(disk), m_io(io), m_outputs(dataFileEndings()) {}

    int run(const QStringList& args) {
        if (args.isEmpty()) return usage(QStringLiteral("say what to do: render, sheet or table."));
        const QString command = args.first();
        if (command == QLatin1String("--help") || command == QLatin1String("-h")) return say(help(nullptr));
        if (command == QLatin1String("--version"))
            return say(QStringLiteral("pictor-data %1\n").arg(QLatin1String(kPictorVersion)));
        const Command* c = nullptr;
        for (const Command& known : commands())
            if (command == QLatin1String(known.name)) c = &known;
        if (!c) return usage(QStringLiteral("unknown command \"%1\".").arg(command));
        if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")))
            return say(help(c));
        Options o;
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QString& a = args[i];
            if (!a.startsWith(QLatin1String("--"))) {
                o.positional << a;
                continue;
            }
            if (o.values.contains(a) || o.flags.contains(a))
                return usage(QStringLiteral("%1 is given twice.").arg(a));
            if (c->values.contains(a)) {
                if (i + 1 >= args.size()) return usage(QStringLiteral("%1 needs a value.").arg(a));
                o.values[a] = args[++i];
            } else if (c->flags.contains(a)) {
                o.flags << a;
            } else {
                return usage(QStringLiteral("unknown option \"%1\" for %2.").arg(a, command));
            }
        }
        m_force = o.flags.contains(QStringLiteral("--force"));
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
    // Standard output, every write checked.
    int say(const QString& text) {
        const QByteArray data = text.toUtf8();
        if (m_io.out.write(data) == data.size()) return kOk;
        return fail(kUsage,
                    QStringLiteral("cannot write to standard output: %1.").arg(m_io.out.errorString()));
    }
    bool folderExists(const QString& folder) {
        if (QFileInfo(folder).isDir()) return true;
        fail(kUsage, QStringLiteral("the folder \"%1\" does not exist.").arg(folder));
        return false;
    }
    // What was read around and what was left out of a subject.
    void report(const SubjectData& s) {
        for (const QString& w : s.warnings) m_io.err << "pictor-data: warning: " << w << '\n';
        for (const QString& d : s.damage) m_io.err << "pictor-data: " << d << '\n';
        m_io.err.flush();
    }
    // Every output in place, and their names said; the status to leave with.
    int finish(const QStringList& written, int status) {
        if (Status s = m_outputs.commit(); !s.isOk()) return fail(kUsage, s.message());
        for (const QString& path : written)
            if (say(path + u'\n') != kOk) return kUsage;
        return status;
    }

    // The subject for render and sheet; the status to leave with when it cannot be drawn.
    std::optional<int> oneSubject(const Options& o, SubjectData* s) {
        if (o.positional.size() != 2)
            return usage(QStringLiteral("give the data folder and the subject code."));
        const QString folder = o.positional[0], code = o.positional[1];
        if (!folderExists(folder)) return kUsage;
        QStringList leftOut;
        for (const FoundSubject& f : findSubjects({folder}, &leftOut)) {
            if (f.prefix != code) continue;
            if (Status st = loadSubject(m_disk, f, s); !st.isOk()) return fail(kDataLeftOut, st.message());
            report(*s);
            return std::nullopt;
        }
        return fail(kUsage,
                    QStringLiteral("no subject %1 in \"%2\": there is no %1art.dat.").arg(code, folder));
    }

    int render(const Options& o) {
        const QString as = o.values.value(QStringLiteral("--as"), QStringLiteral("replayed"));
        const QString format = o.values.value(QStringLiteral("--format"), QStringLiteral("png"));
        if (as != QLatin1String("replayed") && as != QLatin1String("made"))
            return usage(QStringLiteral("--as takes replayed or made, not \"%1\".").arg(as));
        if (format != QLatin1String("png") && format != QLatin1String("svg"))
            return usage(QStringLiteral("--format takes png or svg, not \"%1\".").arg(format));
        bool ok = true;
        const double scale = o.values.value(QStringLiteral("--scale"), QStringLiteral("1")).toDouble(&ok);
        if (!ok || !(scale >= kMinScale && scale <= kMaxScale))
            return usage(
                QStringLiteral("--scale takes a number from %1 to %2: smaller pictures would be empty, "
                               "larger ones absurdly large.")
                    .arg(kMinScale)
                    .arg(kMaxScale));
        SubjectData s;
        if (const std::optional<int> left = oneSubject(o, &s)) return *left;
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
        if (Status st = m_outputs.prepareFolder(dir); !st.isOk()) return fail(kUsage, st.message());
        QStringList paths;
        for (int t = first; t <= last; ++t) {
            paths << QDir(dir).filePath(
                QStringLiteral("%1-trial%2.%3").arg(s.code).arg(t, 3, 10, QChar(u'0')).arg(format));
            if (Status st = m_outputs.claim(paths.last(), m_force); !st.isOk())
                return fail(kUsage, st.message());
        }
        const Drawn drawn = as == QLatin1String("made") ? Drawn::Made : Drawn::Replayed;
        for (int t = first; t <= last; ++t) {
            const Picture& picture = s.store.pictures[t - 1];
            const QByteArray data =
                format == QLatin1String("svg")
                    ? svgPicture(picture, drawn, scale,
                                 QStringLiteral("Subject %1, trial %2").arg(s.code).arg(t))
                    : pngImage(renderPicture(picture, drawn, scale));
            if (Status st = m_outputs.write(paths[t - first], data); !st.isOk())
                return fail(kUsage, st.message());
        }
        return finish(paths, kOk);
    }

    int sheet(const Options& o) {
        SubjectData s;
        if (const std::optional<int> left = oneSubject(o, &s)) return *left;
        const QString path = o.values.value(QStringLiteral("--out"), s.code + QStringLiteral("-sheet.png"));
        if (Status st = m_outputs.claim(path, m_force); !st.isOk()) return fail(kUsage, st.message());
        if (Status st = m_outputs.write(path, pngImage(contactSheet(s))); !st.isOk())
            return fail(kUsage, st.message());
        return finish({path}, s.damage.isEmpty() ? kOk : kDataLeftOut);
    }

    // Every subject of the folders that can be tabled; false when there are none.
    bool readSubjects(const QStringList& folders, QList<MeasuredSubject>* subjects) {
        QStringList problems;
        for (const FoundSubject& f : findSubjects(folders, &problems)) {
            MeasuredSubject m;
            if (Status st = loadSubject(m_disk, f, &m.data); !st.isOk()) {
                problems << QStringLiteral("subject %1 left out: %2").arg(f.prefix, st.message());
                continue;
            }
            report(m.data);
            m_leftOut = m_leftOut || !m.data.damage.isEmpty();
            if (!m.data.ratingsUsable) {
                problems
                    << QStringLiteral("subject %1 left out: its ratings cannot be used.").arg(m.data.code);
                continue;
            }
            *subjects << m;
        }
        for (const QString& p : problems) m_io.err << "pictor-data: " << p << '\n';
        m_io.err.flush();
        m_leftOut = m_leftOut || !problems.isEmpty();
        if (!subjects->isEmpty() || m_leftOut) return true;
        fail(kUsage, QStringLiteral("no subjects found: no file ending in art.dat in %1.")
                         .arg(folders.join(QStringLiteral(", "))));
        return false;
    }

    void measure(QList<MeasuredSubject>& subjects) {
        QList<const Picture*> pictures;
        for (const MeasuredSubject& s : subjects)
            for (const Picture& p : s.data.store.pictures) pictures << &p;
        QElapsedTimer clock;
        clock.start();
        const QList<PictureMeasures> all =
            measureAll(pictures, [&](int done) { showProgress(done, pictures.size(), clock); });
        if (m_io.errIsTerminal && !pictures.isEmpty()) m_io.err << '\n';
        qsizetype k = 0;
        for (MeasuredSubject& s : subjects)
            for (qsizetype j = 0; j < s.data.store.pictures.size(); ++j) s.measures << all[k++];
    }

    int table(const Options& o) {
        if (o.positional.isEmpty()) return usage(QStringLiteral("give the data folders."));
        for (const QString& folder : o.positional)
            if (!folderExists(folder)) return kUsage;
        const QString outPath = o.values.value(QStringLiteral("--out"));
        if (!outPath.isEmpty())
            if (Status st = m_outputs.claim(outPath, m_force); !st.isOk()) return fail(kUsage, st.message());
        QList<MeasuredSubject> subjects;
        if (!readSubjects(o.positional, &subjects)) return kUsage;
        TableOptions options;
        options.withMeasures = o.flags.contains(QStringLiteral("--measures"));
        if (options.withMeasures) measure(subjects);
        const QByteArray csv = tableCsv(makeTable(TableKind::Trials, subjects, options));
        const int status = m_leftOut ? kDataLeftOut : kOk;
        if (outPath.isEmpty()) {
            if (m_io.out.write(csv) != csv.size())
                return fail(kUsage, QStringLiteral("cannot write the table to standard output: %1.")
                                        .arg(m_io.out.errorString()));
            return status;
        }
        if (Status st = m_outputs.write(outPath, csv); !st.isOk()) return fail(kUsage, st.message());
        return finish({}, status);
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
    OutputFiles m_outputs;
    bool m_force = false;
    bool m_leftOut = false;
};

}  // namespace

int runDataTool(const QStringList& arguments, const DataDisk& disk, DataToolIo io) {
    return Tool(disk, io).run(arguments);
}
