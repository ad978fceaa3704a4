#pragma once

// Short notes for the experimenter in a free part of a window's layout:
// each note a paragraph of its own colour, wrapped at word boundaries or,
// for a long path, anywhere. What does not fit the box is cut off; the
// whole text is the tooltip and the accessible description.

#include <QColor>
#include <QList>
#include <QWidget>

class NoteBox final : public QWidget {
    Q_OBJECT
public:
    struct Note {
        QString text;
        QColor colour;
    };

    explicit NoteBox(QWidget* parent = nullptr);

    void setNotes(const QList<Note>& notes);
    // Every note, one a line.
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<Note> m_notes;
};
