#include "widgets/note_box.h"

#include <QPainter>
#include <QTextLayout>

NoteBox::NoteBox(QWidget* parent) : QWidget(parent) {}

void NoteBox::setNotes(const QList<Note>& notes) {
    m_notes = notes;
    setToolTip(text());
    setAccessibleDescription(text());
    update();
}

QString NoteBox::text() const {
    QStringList lines;
    for (const Note& note : m_notes) lines << note.text;
    return lines.join(u'\n');
}

void NoteBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal top = 0;
    for (const Note& note : m_notes) {
        QTextLayout layout(note.text, font());
        layout.setTextOption(wrapping);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width());
            line.setPosition(QPointF(0, top));
            top += line.height();
        }
        layout.endLayout();
        painter.setPen(note.colour);
        layout.draw(&painter, QPointF());
    }
}

#include "moc_note_box.cpp"
