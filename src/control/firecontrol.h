#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace tovra {

struct LaserState;

// What the enable and fire controls show. The window implements it with its widgets; the
// looks themselves (caption, colour, animation) are the window's business.
class FireControlView
{
public:
    virtual ~FireControlView() = default;

    // The fire button as "Stop" while the laser fires, as "Fire" while it is ready.
    virtual void showFiringLook() = 0;
    virtual void showReadyLook() = 0;
    virtual void setFireEnabled(bool enabled) = 0;
    // The enable box: whether the operator may use it, and its check mark.
    virtual void setEnableBoxEnabled(bool enabled) = 0;
    virtual bool enableChecked() const = 0;
    virtual void setEnableChecked(bool checked) = 0;
};

// Enable and fire: the operator's two most consequential controls. Commands go through the
// queue function it is given; the status poll later confirms or corrects what the controls show
// (`followStatusWord`, then `CheckFireEnableState` once the update is through).
class FireControl
{
public:
    struct Hooks
    {
        std::function<void(const QString &)> queueCommand;
        // Moves the next status update a full interval away, so that the operator's command
        // is sent before the poll reads the laser again.
        std::function<void()> restartStatusTimer;
        // Asks the scheduler for the password dialog a locked mini needs before it is enabled.
        std::function<void()> requestUnlock;
    };

    FireControl(LaserState &state, FireControlView &view, Hooks hooks);

    // The fire button: sends "FL 0" while it reads "Stop", "FL 1" while it reads "Fire".
    void FireStopbtnClick();
    bool LaserFire(bool fire);
    // The enable box changed its check mark (the operator's click or the status poll's drop).
    void LaserEnableBtnClick();
    void LaserEnable(bool enable);
    // The fire button is usable when the last status word allows firing, and always while it
    // reads "Stop".
    void CheckFireEnableState();
    // A stop line went ahead of the queue (the button's own, or one typed or sent by a script): a
    // "FL 0" in any form leaves the controls as a press of Stop does.
    void followStopLine(const QString &line);

    // A status word was read: the fire look and the enable box follow it, except in the one
    // update after an operator action on them. A laser that disabled itself unchecks the box. A
    // laser idle on its own trigger ends the operator's fire request, that update included.
    void followStatusWord(uint32_t status);

    // The one fire state: the button reads "Stop" (and stops when pressed).
    bool showsStop() const { return stopShown; }
    // The operator's "FL 1" stands: not stopped since, and on the internal trigger no status word
    // has shown the laser idle since (on the external trigger "FL 1" only arms the laser).
    bool fireRequested() const { return requestedFire; }
    // The laser fires as last reported or commanded, or the operator's "FL 1" stands.
    bool firingOrRequested() const;
    // The laser disabled itself: the enable box's unchecking that follows sends no "EN 0".
    bool enableDropped() const { return droppedByLaser; }
    // The operator acted on fire or enable since the last status word: the next one leaves the
    // controls alone, since it may have been read before the command went out.
    bool skipsNextStatusWord() const { return skipStatusSync; }
    // The next status word is followed again (a laser found again after its port vanished).
    void followNextStatusWord() { skipStatusSync = false; }

private:
    // Caption, look and action change together, here only.
    void showLook(bool stop);

    LaserState &state;
    FireControlView &view;
    const Hooks hooks;
    bool stopShown = false;
    bool requestedFire = false;
    bool droppedByLaser = false;
    bool skipStatusSync = false;
};

} // namespace tovra
