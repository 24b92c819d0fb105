// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/DeviceWatch.h"

#include <libudev.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstdint>

namespace {
constexpr const char* InputDevices = "/dev/input";
constexpr const char* InputSubsystem = "input";
// The same changes SDL's own watch of /dev/input reacts to: a node made, moved in, taken
// away, or given the permissions that let the game open it.
constexpr std::uint32_t InputNodeChanges = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_ATTRIB;
constexpr std::size_t InotifyBufferBytes = 4096;
} // namespace

DeviceWatch::DeviceWatch()
{
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0)
        return;
    udev_ = udev_new();
    if (udev_)
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_) {
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, InputSubsystem, nullptr);
        if (udev_monitor_enable_receiving(monitor_) == 0)
            add(udev_monitor_get_fd(monitor_));
    }
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0 && inotify_add_watch(inotify_, InputDevices, InputNodeChanges) >= 0)
        add(inotify_);
}

DeviceWatch::~DeviceWatch()
{
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
    if (inotify_ >= 0)
        close(inotify_);
    if (epoll_ >= 0)
        close(epoll_);
}

void DeviceWatch::add(int descriptor)
{
    if (epoll_ < 0 || descriptor < 0)
        return;
    epoll_event wanted = {};
    wanted.events = EPOLLIN;
    wanted.data.fd = descriptor;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &wanted);
}

void DeviceWatch::drain()
{
    if (monitor_) {
        while (udev_device* device = udev_monitor_receive_device(monitor_))
            udev_device_unref(device);
    }
    if (inotify_ >= 0) {
        alignas(inotify_event) std::array<char, InotifyBufferBytes> events;
        while (read(inotify_, events.data(), events.size()) > 0) {
        }
    }
}
