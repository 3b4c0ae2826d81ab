#include "app/startup.h"

#include "app/panel.h"
#include "store/keep_list.h"

namespace kurumin {

bool refuseSecondInstance(SingleInstancePort& instance, MessageBoxPort& messageBox) {
    if (!instance.anotherInstanceRuns()) return false;
    messageBox.show(QStringLiteral("このアプリケーションはすでに開かれています。\r\n"
                                   "重複起動の防止のため、起動をキャンセルします。"),
                    QStringLiteral("Kurumin Error_01 [二重起動の防止]"), MsgButtons::Ok,
                    MsgIcon::Exclamation);
    return true;
}

void Panel::load() {
    runHandler([this] {
        try {
            PanelInPlace = True;
            BlinkPhase = False;
            timer(QStringLiteral("Timer4")).stop();
            if (window_) {
                window_->setTopmost();
                RectTwips g = window_->geometry();
                g.height = FoldedHeight;
                g.width = PanelWidth;
                window_->setGeometry(g);
            }
            for (const char* t : {"Timer1", "Timer2", "Cup", "Cdwn"})
                timer(QString::fromLatin1(t)).stop();
            s.AutoBrowse = True;
            PanelOpen = False;
            c["lblAuto"].fore = colors::Red;
            c["Sh1"].back = colors::Black;
            c["lblLIMIT"].fore = colors::Red;
            s.LimitOn = True;
            enable(QStringLiteral("UPbutton"), false);
            enable(QStringLiteral("DWNbutton"), false);
            closeStepWindows();
            enable(QStringLiteral("lbl"), false);
            enable(QStringLiteral("Label1"), false);
            s.PickMode = False;
            enable(QStringLiteral("cmdUP"), false);
            enable(QStringLiteral("Command1"), false);
            enable(QStringLiteral("txtNo"), false);
            c["Label6"].toolTip = QStringLiteral("ＩＥページタイトル取得情報なし");
            loadKeepList(*this);
        } catch (const std::exception&) {
            // Start-up goes on: the watcher below starts whatever failed.
        }
        timer(QStringLiteral("timCrip")).start();
    });
}

} // namespace kurumin
