#pragma once
// The page in front: timGETURL keeps lURL and lTTL on the browser page the
// user last had in front, so that KEEP, REC and TREC still know it after the
// click on the panel. Timer3 shows whether the panel itself is in front.

namespace kurumin {

class Panel;

void captureTick(Panel& p);
void foregroundTick(Panel& p);
void wireCapture(Panel& p);

} // namespace kurumin
