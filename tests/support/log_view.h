#pragma once

// The main screen as a run sees it, written down: every call a run makes,
// the canvas's drawing among them, goes into one log in order, so tests can
// compare what the subject would have seen. Pictures wait in `awaiting`
// until the test presents them.

#include "runs/trial_view.h"
#include "support/fakes.h"

#include <QStringList>

class LogView final : public TrialView, public Canvas {
public:
    QStringList log;
    CompositionSettings sliders{2, 11, 10, 9};
    QList<PresentationFeedback::Done> awaiting;  // one per picture complete

    void clear() override { log << "clear"; }
    void setPenWidth(int) override {}
    void setFillColour(QRgb) override {}
    void setFillStyle(FillStyle) override {}
    void segment(CanvasPoint, CanvasPoint, QRgb c) override { draw(c); }
    void continueTo(CanvasPoint, QRgb) override {}
    void box(CanvasPoint, float, float, QRgb c, BoxFill) override { draw(c); }
    void ellipse(CanvasPoint, float, QRgb c, float) override { draw(c); }
    void draw(QRgb c) { log << QStringLiteral("draw %1").arg(storedColourOf(c)); }

    void showPrompt(const QString& text) override { log << "prompt " + text; }
    void showRateButton(const QString& caption) override { log << "rate " + caption; }
    void hideRateButton() override { log << "hide rate"; }
    void showOptions(int scale) override { log << QStringLiteral("options %1").arg(scale); }
    void clearOptions(int scale) override { log << QStringLiteral("clear options %1").arg(scale); }
    Canvas& canvas() override { return *this; }
    void awaitPresentation(PresentationFeedback::Done done) override { awaiting.append(std::move(done)); }
    void setMakePictureVisible(bool v) override { log << (v ? "make shown" : "make hidden"); }
    void setSlidersVisible(bool v) override { log << (v ? "sliders shown" : "sliders hidden"); }
    void setSliderLabelsVisible(bool v) override { log << (v ? "labels shown" : "labels hidden"); }
    void setInstruction(const QString& text) override { log << "instruction " + text; }
    CompositionSettings sliderValues() const override { return sliders; }
    void setViewPictureVisible(bool v) override { log << (v ? "view shown" : "view hidden"); }
    void setInstructionVisible(bool v) override { log << (v ? "instruction shown" : "instruction hidden"); }
};
