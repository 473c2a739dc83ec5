#pragma once

#include <QtGlobal>
#include <array>

// While one lives, file permission bits bind this process as they bind an
// ordinary user, also when the tests run as root (as CI does): the
// capabilities that let root past them are out of effect. Programs started
// meanwhile get them back, as root's programs always do.
class PermissionBitsApply {
public:
    PermissionBitsApply();
    ~PermissionBitsApply();
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;
    PermissionBitsApply(PermissionBitsApply&&) = delete;
    PermissionBitsApply& operator=(PermissionBitsApply&&) = delete;

private:
    std::array<quint32, 2> effective_{};
    bool dropped_ = false;
};
