#pragma once

class ActiveWindowSource;
class Clock;
class Defaults;
class GlobalKeyGrabber;
class IdleSource;
class LoginItem;
class MediaPlayers;
class MotionSetting;
class NotificationServer;
class Pasteboard;
class PasteKeystroke;
class RandomSource;
class Scheduler;
class ScreenProvider;
class SecretStore;
class SleepWatcher;

// The implementations of the platform services the process runs with, chosen once at start by the
// program (tests build their stores with fakes and never use these). Until then each is a fallback
// that does nothing harmful: an in-memory defaults store, no keyring, no login item, no screens.
namespace Platform {

struct Services
{
    Clock* clock = nullptr;
    Scheduler* scheduler = nullptr;
    Defaults* defaults = nullptr;
    SecretStore* secrets = nullptr;
    LoginItem* loginItem = nullptr;
    RandomSource* random = nullptr;
    ScreenProvider* screens = nullptr;
    MotionSetting* motion = nullptr;
    GlobalKeyGrabber* keyGrabber = nullptr;
    NotificationServer* notifications = nullptr;
    ActiveWindowSource* windows = nullptr;
    IdleSource* idle = nullptr;
    SleepWatcher* sleepWatcher = nullptr;
    Pasteboard* pasteboard = nullptr;
    PasteKeystroke* pasteKeystroke = nullptr;
    MediaPlayers* mediaPlayers = nullptr;
};

// The caller keeps the services alive for the rest of the process. Unset members keep their fallback.
void install(const Services& services);

Clock& clock();
Scheduler& scheduler();
Defaults& defaults();
SecretStore& secrets();
LoginItem& loginItem();
RandomSource& random();
ScreenProvider& screens();
MotionSetting& motion();
GlobalKeyGrabber& keyGrabber();
NotificationServer& notifications();
ActiveWindowSource& windows();
IdleSource& idle();
SleepWatcher& sleepWatcher();
Pasteboard& pasteboard();
PasteKeystroke& pasteKeystroke();
MediaPlayers& mediaPlayers();

} // namespace Platform
