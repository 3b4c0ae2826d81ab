#pragma once
// Facts that several features share, each kept once, beside the control that
// shows it: the control's look is derived here and written nowhere else.

#include "panel/controls.h"
#include "panel/user_texts.h"

#include <QString>

namespace kurumin {

// What the clipboard held at the watcher's last tick, the copied URL of every
// command; CRIP shows it as its tooltip, green while there is any. lblOldURL,
// the text last taken up, keeps the watcher from taking one text up twice.
class CopiedText {
  public:
    explicit CopiedText(Control& crip) : crip_(crip) {}
    const QString& text() const { return text_; }
    void set(const QString& text) { show(text, colors::Green); }
    void setNone() { show({}, colors::Rest); }

    // True, once, for text other than the text last taken up.
    bool takeUp() {
        if (lblOldURL == text_) return false;
        lblOldURL = text_;
        return true;
    }
    const QString& takenUp() const { return lblOldURL; }
    // The text last taken up is taken up again at the next tick.
    void forgetTakenUp() { lblOldURL.clear(); }

  private:
    void show(const QString& text, Color fore) {
        text_ = text;
        crip_.toolTip = text;
        crip_.fore = fore;
    }
    Control& crip_;
    QString text_;
    QString lblOldURL;
};

// The browser page last found in front, lURL and lTTL, for KEEP, REC and
// TREC; TREC's tooltip names it. An empty lURL means none.
class CapturedPage {
  public:
    explicit CapturedPage(Control& trec) : trec_(trec) {}
    const QString& lURL() const { return lURL_; }
    const QString& lTTL() const { return lTTL_; }
    void capture(const QString& url, const QString& title) {
        lURL_ = url;
        lTTL_ = title;
        trec_.toolTip = msg::titleTip(title);
    }
    void forget() {
        lURL_.clear();
        lTTL_.clear();
        trec_.toolTip = msg::noTitleTip();
    }

  private:
    Control& trec_;
    QString lURL_;
    QString lTTL_;
};

} // namespace kurumin
