#pragma once
// Querimo's own pictures, compiled into the program: the application icon and the splash.

#include <QIcon>
#include <QString>

namespace querimo {

// The splash picture, 388 by 143 pixels.
inline constexpr const char* kSplashPicture = ":/querimo/splash.png";

// Makes the compiled-in pictures readable under ":/querimo"; safe to call again.
void LoadArtwork();

QIcon ApplicationIcon();

}  // namespace querimo
