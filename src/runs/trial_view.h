#pragma once

// Everything a run shows or reads on the main screen, besides the rating
// scales: the canvas, the start buttons, the sliders and the instruction
// box, and when the canvas reached the screen. The main screen implements
// it; run tests implement it with a log.

#include "core/picture.h"
#include "platform/canvas.h"
#include "platform/presentation.h"
#include "runs/rating_view.h"

#include <QString>

class TrialView : public RatingView {
public:
    virtual Canvas& canvas() = 0;
    // Once the canvas as it now stands has been flushed to the window,
    // `done` receives when the window system presented it, or that it
    // cannot tell: exactly once, never inside this call.
    virtual void awaitPresentation(PresentationFeedback::Done done) = 0;

    // Make Art: "Make Picture", the four sliders, their captions and value
    // boxes, and the instruction box's caption.
    virtual void setMakePictureVisible(bool visible) = 0;
    virtual void setSlidersVisible(bool visible) = 0;
    virtual void setSliderLabelsVisible(bool visible) = 0;
    virtual void setInstruction(const QString& text) = 0;
    // The sliders' current values: objects, shapes, sizes, colours.
    virtual CompositionSettings sliderValues() const = 0;

    // Judge Art: "View Picture" and the instruction box itself.
    virtual void setViewPictureVisible(bool visible) = 0;
    virtual void setInstructionVisible(bool visible) = 0;
};
