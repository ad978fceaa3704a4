#pragma once

// When a picture reached the screen. The program draws into memory and
// hands the result to the window system; when the display first showed it
// depends on the display's refresh and on the window system. This asks the
// window system for the first frame presented after the window's content
// was flushed. On X11 the Present extension answers: its notices carry the
// frame's time on the monotonic clock (the Clock's, so the two can be
// subtracted), the frame counter of the display and the way the frame was
// presented. On Wayland the compositor's presentation-time protocol answers
// alike (wayland_presentation.h). Where the window system tells nothing (a
// compositor without the protocol, the other platforms, the offscreen
// platform of the tests), the answer says that the time is unknown, and
// why. Tests put a FakePresentation in.

#include "platform/clock.h"

#include <QString>
#include <functional>
#include <memory>

class QWindow;

// How a frame was presented, by the X11 Present extension's mode number
// (on Wayland: "flip" when the compositor showed the buffer without a copy).
inline constexpr const char* kPresentModes[] = {"copy", "flip", "skip", "suboptimal copy"};

struct FramePresentation {
    bool known = false;
    qint64 presentedNs = 0;  // on the Clock's scale
    qint64 flushedNs = 0;    // when the content was handed to the window system; 0 if it never was
    quint64 frame = 0;       // the display's frame counter
    QString mode;            // one of kPresentModes
    QString source;          // "X11 Present" or the like when known; otherwise why it is unknown
};

// How long an answer may take at most; after that the time is unknown.
inline constexpr int kPresentationWaitMs = 500;

class PresentationFeedback {
public:
    using Done = std::function<void(const FramePresentation&)>;
    virtual ~PresentationFeedback() = default;

    // Whether a picture may be flushed to the window soon. While one may,
    // the window's frames are followed, so the first frame after a flush is
    // caught however soon after the flush it comes.
    virtual void setFlushExpected(QWindow* window, bool expected) = 0;

    // The window's content has just been flushed. `done` receives the first
    // frame presented from now on, or an unknown one: exactly once, never
    // inside this call, within kPresentationWaitMs.
    virtual void afterFlush(QWindow* window, Done done) = 0;
};

// The feedback of the platform the application runs on. REQUIRES: a
// QGuiApplication; the clock must outlive the result.
std::unique_ptr<PresentationFeedback> makePresentationFeedback(const Clock& clock);
