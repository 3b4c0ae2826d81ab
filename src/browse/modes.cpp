#include "browse/modes.h"

#include "panel/panel.h"

namespace kurumin {

namespace {

constexpr std::initializer_list<Ctl> kStepButtons{Ctl::UPbutton, Ctl::DWNbutton};
constexpr std::initializer_list<Ctl> kCountControls{Ctl::cmdUP, Ctl::Command1, Ctl::txtNo};

void stopStepping(Panel& p) {
    p.enable(kStepButtons, false);
    p.steps.closeAll();
    p.enable(Ctl::Label1, false);
    p.enable(kCountControls, false);
}

} // namespace

void enterStartUp(Panel& p) {
    stopStepping(p);
    p.enable(Ctl::lbl, false);
    p.s.PickMode = False;
}

void enterWaiting(Panel& p) {
    p.enable({Ctl::txtNow, Ctl::Label2, Ctl::Label3, Ctl::Command5, Ctl::lblCUT, Ctl::Command10},
             false);
}

void leaveWaiting(Panel& p) {
    p.enable({Ctl::txtNow, Ctl::Label2, Ctl::Label3, Ctl::Command5});
}

void enterNoAddress(Panel& p) {
    p.enable({Ctl::lblCUT, Ctl::Label1, Ctl::Command10, Ctl::txtNo}, false);
    p.enable(kStepButtons, false);
    p.steps.closeAll();
    p.s.UrlCaptured = False;
    p.s.PickMode = False;
}

void enterAddress(Panel& p) {
    p.enable({Ctl::lblCUT, Ctl::Command10, Ctl::txtNo});
    p.s.UrlCaptured = True;
    if (isOn(p.s.PickMode)) p.enable(kStepButtons);
}

void enterRangeUrl(Panel& p) {
    p.enable({Ctl::Label1, Ctl::lbl});
}

void enterPlainUrl(Panel& p) {
    p.enable(Ctl::lbl, false);
    if (!isOn(p.s.PickMode)) stopStepping(p);
}

void enterPickMode(Panel& p) {
    p.s.PickMode = True;
    p.enable({Ctl::txtNo, Ctl::cmdUP, Ctl::Command1});
    if (isOn(p.s.UrlCaptured)) p.enable(kStepButtons);
}

void endPickMode(Panel& p) {
    if (!isOn(p.s.PickMode)) return;
    p.enable(Ctl::Label1, false);
    p.enable(kStepButtons, false);
    p.steps.closeAll();
    p.s.PickMode = False;
}

void enterRangeMode(Panel& p) {
    p.s.PickMode = False;
    p.enable(kCountControls);
    p.enable(kStepButtons);
}

void stepFromRange(Panel& p) {
    p.enable(Ctl::Label1);
    p.enable(kStepButtons);
}

void stepFromPick(Panel& p) {
    p.enable(Ctl::Label1, false);
    p.enable(kStepButtons);
}

} // namespace kurumin
