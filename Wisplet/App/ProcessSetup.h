#pragma once

// Before the application object exists: Wisplet runs on X11, so the xcb platform is chosen unless the
// environment names one.
void prepareEnvironment();

// Once the application object exists: names, the desktop entry, Qt's image limit, and staying alive
// when the last window closes (the panel and the tray menu are not main windows).
void configureApplication();
