#pragma once
// How the panel window behaves, on the model: folding and unfolding its
// lower part with lblOPEN.

namespace kurumin {

class Panel;

void toggleFold(Panel& p);
void wireWindowBehaviour(Panel& p);

inline constexpr int StripFoldedHeight = 630;
inline constexpr int StripUnfoldedHeight = 2895;

} // namespace kurumin
