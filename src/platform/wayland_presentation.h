#pragma once

// When frames were presented on Wayland, from the compositor's
// presentation-time protocol: after each flush the window's surface asks
// for feedback on its next content update, and the compositor tells when
// the frame that showed it began, its frame counter and whether the buffer
// was shown without a copy. Internal to the platform layer: presentation.cpp
// chooses it on the Wayland platforms, and lends it its helpers below.

#include "platform/presentation.h"

// A feedback on the Wayland connection Qt has; one that answers "unknown"
// with the reason when the compositor does not offer presentation-time.
// REQUIRES: a QGuiApplication on a Wayland platform.
std::unique_ptr<PresentationFeedback> makeWaylandPresentation(const Clock& clock);

namespace presentation_internal {
// Hands `frame` to `done` on a later turn of the event loop.
void answerLater(PresentationFeedback::Done done, FramePresentation frame);
// A frame whose presentation is unknown, and why.
FramePresentation unknown(const QString& why, qint64 flushedNs);
}  // namespace presentation_internal
