// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One descriptor that turns readable when an input device may have come or gone, so that
// the game looks for controllers only then and never on a clock. It gathers what SDL itself
// learns hot-plugging from: udev's announcements of input devices (a desktop) and the
// changes in /dev/input (a sandbox without udev), and any other descriptor handed to it.

struct udev;
struct udev_monitor;

class DeviceWatch {
public:
    DeviceWatch();
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // -1 when nothing could be watched.
    int descriptor() const { return epoll_; }
    // Wakes the watch when this descriptor is readable too; its owner empties it.
    void add(int descriptor);
    // Takes in what woke the watch, so that it sleeps again.
    void drain();

private:
    int epoll_ = -1;
    int inotify_ = -1;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};
