#include "analysis/data_tool.h"

#include "analysis/contact_sheet.h"
#include "analysis/dataset.h"
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
constexpr int kInterrupted = 130;  // as a shell reports a program ended by Ctrl-C

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
         "pictor-data table FOLDER... [--long] [--measures] [--out FILE.csv] [--force]",
         "One CSV row per subject and trial of every subject in the folders, with the ratings and the\n"
         "scale terms of both sessions and the sessions' status; --measures adds objective measures of\n"
         "each picture as made and as replayed. --long gives one row per subject, session, trial and\n"
         "asked scale instead, with the terms of that session and, with --measures, the measures of the\n"
         "picture that session showed. Without --out the table goes to standard output; with it, its\n"
         "codebook goes beside it (FILE.codebook.csv).",
         {"--out"},
         {"--long", "--measures", "--force"}},
        {"objects",
         "pictor-data objects FOLDER... [--as made|replayed] [--out FILE.csv] [--force]",
         "One CSV row per stored object: its place in the drawing order, kind, position, stored and\n"
         "composed size, colour, the pixels it covers alone and those still seen in the picture as made\n"
         "(the default) or as replayed; with its codebook beside it.",
         {"--as", "--out"},
         {"--force"}},
        {"subjects",
         "pictor-data subjects FOLDER... [--out FILE.csv] [--force]",
         "One CSV row per subject and session: trials planned and completed, status, start and end, the\n"
         "terms, per scale the mean and standard deviation of the ratings, the median rating time, and\n"
         "the agreement between the sessions (Spearman's rho, ICC(3,1)); with its codebook beside it.",
         {"--out"},
         {"--force"}},
        {"codebook",
         "pictor-data codebook [table|long|objects|subjects] [--measures]",
         "Prints the codebook of a table: one row per column with its meaning, type, unit, allowed\n"
         "values, what an empty field means and its source.",
         {},
         {"--measures"}},
        {"export",
         "pictor-data export FOLDER... --out DIR [--name NAME]",
         "Makes a new folder DIR holding a Psych-DS dataset of the study: dataset_description.json with\n"
         "every column described, the tables with their measures under data/, the lab's files unchanged\n"
         "under raw_data/ with their SHA-256 sums, and a README.",
         {"--out", "--name"},
         {}},
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
               "folder, no subjects or an output that cannot be written, 130 when stopped by Ctrl-C.\n");
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
        if (args.isEmpty())
            return usage(QStringLiteral(
                "say what to do: render, sheet, table, objects, subjects, codebook or export."));
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
        if (command == QLatin1String("codebook")) return codebook(o);
        if (command == QLatin1String("export")) return exportDataset(o);
        return table(command, o);
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
        QElapsedTimer clock;
        clock.start();
        for (int t = first; t <= last; ++t) {
            if (interruptRequested()) return interrupted();
            showProgress("drew", t - first, last - first + 1, clock);
            const Picture& picture = s.store.pictures[t - 1];
            const QByteArray data =
                format == QLatin1String("svg")
                    ? svgPicture(picture, drawn, scale,
                                 QStringLiteral("Subject %1, trial %2").arg(s.code).arg(t))
                    : pngImage(renderPicture(picture, drawn, scale));
            if (Status st = m_outputs.write(paths[t - first], data); !st.isOk())
                return fail(kUsage, st.message());
        }
        endProgress();
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
    bool readSubjects(const QStringList& folders, QList<MeasuredSubject>* subjects,
                      QList<FoundSubject>* found = nullptr) {
        QStringList problems;
        const QList<FoundSubject> all = findSubjects(folders, &problems);
        if (found) *found = all;
        for (const FoundSubject& f : all) {
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
            measureAll(pictures, [&](int done) { showProgress("measured", done, pictures.size(), clock); });
        endProgress();
        qsizetype k = 0;
        for (MeasuredSubject& s : subjects)
            for (qsizetype j = 0; j < s.data.store.pictures.size(); ++j) s.measures << all[k++];
    }

    // table, objects and subjects: a table and, with --out, its codebook beside it.
    int table(const QString& command, const Options& o) {
        if (o.positional.isEmpty()) return usage(QStringLiteral("give the data folders."));
        const TableKind kind = command == QLatin1String("objects")          ? TableKind::Objects
                               : command == QLatin1String("subjects")       ? TableKind::Subjects
                               : o.flags.contains(QStringLiteral("--long")) ? TableKind::Long
                                                                            : TableKind::Trials;
        TableOptions options;
        options.withMeasures = kind == TableKind::Objects || o.flags.contains(QStringLiteral("--measures"));
        if (kind == TableKind::Objects) {
            const QString as = o.values.value(QStringLiteral("--as"), QStringLiteral("made"));
            if (as != QLatin1String("replayed") && as != QLatin1String("made"))
                return usage(QStringLiteral("--as takes made or replayed, not \"%1\".").arg(as));
            options.drawn = as == QLatin1String("made") ? Drawn::Made : Drawn::Replayed;
        }
        for (const QString& folder : o.positional)
            if (!folderExists(folder)) return kUsage;
        const QString outPath = o.values.value(QStringLiteral("--out"));
        const QString codebookPath =
            (outPath.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? outPath.chopped(4) : outPath) +
            QStringLiteral(".codebook.csv");
        if (!outPath.isEmpty())
            for (const QString& path : {outPath, codebookPath})
                if (Status st = m_outputs.claim(path, m_force); !st.isOk()) return fail(kUsage, st.message());
        QList<MeasuredSubject> subjects;
        if (!readSubjects(o.positional, &subjects)) return kUsage;
        if (options.withMeasures) measure(subjects);
        if (interruptRequested()) return interrupted();
        const Table t = makeTable(kind, subjects, options);
        const QByteArray csv = tableCsv(t);
        const int status = m_leftOut ? kDataLeftOut : kOk;
        if (outPath.isEmpty()) {
            if (m_io.out.write(csv) != csv.size())
                return fail(kUsage, QStringLiteral("cannot write the table to standard output: %1.")
                                        .arg(m_io.out.errorString()));
            return status;
        }
        for (const auto& [path, data] : {std::pair{outPath, csv}, std::pair{codebookPath, codebookCsv(t)}})
            if (Status st = m_outputs.write(path, data); !st.isOk()) return fail(kUsage, st.message());
        return finish({}, status);
    }

    int codebook(const Options& o) {
        const QString name = o.positional.value(0, QStringLiteral("table"));
        const std::optional<TableKind> kind =
            name == QLatin1String("table") ? TableKind::Trials : tableKind(name);
        if (o.positional.size() > 1 || !kind || (kind == TableKind::Trials && name != QLatin1String("table")))
            return usage(QStringLiteral("codebook takes table, long, objects or subjects."));
        TableOptions options;
        options.withMeasures = kind == TableKind::Objects || o.flags.contains(QStringLiteral("--measures"));
        return say(QString::fromUtf8(codebookCsv(makeTable(*kind, {}, options))));
    }

    int exportDataset(const Options& o) {
        if (o.positional.isEmpty()) return usage(QStringLiteral("give the data folders."));
        const QString dir = o.values.value(QStringLiteral("--out"));
        if (dir.isEmpty()) return usage(QStringLiteral("export needs --out DIR, a folder to make."));
        for (const QString& folder : o.positional)
            if (!folderExists(folder)) return kUsage;
        if (Status st = m_outputs.claimFolder(dir); !st.isOk()) return fail(kUsage, st.message());
        QList<MeasuredSubject> subjects;
        QList<FoundSubject> found;
        if (!readSubjects(o.positional, &subjects, &found)) return kUsage;
        measure(subjects);
        if (interruptRequested()) return interrupted();
        // The lab's files as they are: every subject's, also one left out.
        QList<std::pair<QString, QList<std::pair<QString, QByteArray>>>> raw;
        for (const FoundSubject& f : found) {
            if (raw.isEmpty() || raw.last().first != f.folder) raw.append({f.folder, {}});
            for (const QString& name : f.names) {
                if (name.endsWith(QLatin1String(kLockFile), Qt::CaseInsensitive)) continue;
                QByteArray data;
                if (Status st = m_disk.readAll(f.folder + name, &data, kMaxDataFileBytes); !st.isOk())
                    return fail(kUsage, st.message());
                raw.last().second.append({name, data});
            }
        }
        const QString name = o.values.value(QStringLiteral("--name"), folderName(o.positional.first()));
        const QString command = QStringLiteral("pictor-data export %1").arg(o.positional.join(u' '));
        for (const DatasetFile& file : psychDsDataset(name, subjects, raw, command))
            if (Status st = m_outputs.write(QDir::cleanPath(dir) + u'/' + file.path, file.data); !st.isOk())
                return fail(kUsage, st.message());
        return finish({dir}, m_leftOut ? kDataLeftOut : kOk);
    }

    int interrupted() {
        endProgress();
        return fail(kInterrupted, QStringLiteral("stopped by Ctrl-C; nothing was written."));
    }

    // Progress for a person at a terminal, on one line.
    void showProgress(const char* verb, int done, qsizetype total, const QElapsedTimer& clock) {
        if (!m_io.errIsTerminal || total == 0) return;
        const double seconds = clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        const QString left = rate > 0 ? QStringLiteral("%1 s left").arg(qRound((total - done) / rate))
                                      : QStringLiteral("starting");
        m_io.err << QStringLiteral("\r%1 %2 of %3 pictures, %4 per second, %5; Ctrl-C stops   ")
                        .arg(QLatin1String(verb))
                        .arg(done)
                        .arg(total)
                        .arg(qRound(rate))
                        .arg(left);
        m_io.err.flush();
        m_progressShown = true;
    }
    void endProgress() {
        if (m_progressShown) m_io.err << '\n';
        m_io.err.flush();
        m_progressShown = false;
    }

    const DataDisk& m_disk;
    DataToolIo m_io;
    OutputFiles m_outputs;
    bool m_force = false;
    bool m_leftOut = false;
    bool m_progressShown = false;
};

}  // namespace

int runDataTool(const QStringList& arguments, const DataDisk& disk, DataToolIo io) {
    return Tool(disk, io).run(arguments);
}
