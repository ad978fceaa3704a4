#include "judging/data_files.h"

#include "judging/value_list.h"

QString dataFilePath(const QString& folderText, const QString& subjectCode, const char* fileName) {
    return folderText + subjectCode + QString::fromLatin1(fileName);
}

QByteArray resultsLine(double subjectNumber, int trial, const TrialResults& r) {
    return valueListLine({subjectNumber, static_cast<long long>(trial),
                          optionalField(r.TrialObjects[trial]), optionalField(r.TrialShapes[trial]),
                          optionalField(r.TrialSizes[trial]), optionalField(r.TrialColours[trial]),
                          optionalField(r.PleRating[trial]), optionalField(r.IntRating[trial]),
                          optionalField(r.ComRating[trial]), optionalField(r.RatingTime[trial])});
}

QByteArray judgeFields(int trial, const TrialResults& r) {
    return formatFields({optionalField(r.PleRating[trial]), optionalField(r.IntRating[trial]),
                         optionalField(r.ComRating[trial]), optionalField(r.RatingTime[trial])});
}

QByteArray judgeResultsLine(const QByteArray& resultsText, int trial, const TrialResults& r) {
    return resultsText + ',' + judgeFields(trial, r) + "\r\n";
}
