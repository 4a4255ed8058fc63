#pragma once

class Defaults;
class QLabel;
class QWidget;

// The settings window's line about the settings file: a save that failed or a file that could not be read
// (in orange, until a save succeeds), or another program's changes taken in. Hidden while there is nothing
// to say.
QLabel* settingsFileMessage(Defaults& defaults, QWidget* parent);
