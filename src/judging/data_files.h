#pragma once

// Names and record layouts of the three data files of a subject: the picture
// store art.dat, the Make Art results res.dat and the Judge Art results
// res2.dat. A path is the data folder text, the subject code as typed and the
// file name joined with nothing between them.

#include "judging/trial_results.h"

#include <QByteArray>
#include <QString>

inline constexpr char kArtFile[] = "art.dat";
inline constexpr char kResultsFile[] = "res.dat";
inline constexpr char kJudgeResultsFile[] = "res2.dat";

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName);

// res.dat line of trial t: subject number, t, the four settings, three
// ratings and the rating time.
QByteArray resultsLine(double subjectNumber, int trial, const TrialResults& results);

// The four judge fields of trial t (ratings and time) without a line end.
QByteArray judgeFields(int trial, const TrialResults& results);

// res2.dat line: a res.dat line as read (no line end), a comma, the judge fields.
QByteArray judgeResultsLine(const QByteArray& resultsText, int trial, const TrialResults& results);
