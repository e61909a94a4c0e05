#pragma once

// A file system mounted for one test and unmounted however the test ends: a read-only or a
// tiny tmpfs (an unwritable folder, a full disk), or a file bound over another. As root,
// chmod cannot make a folder unwritable, so these need root and a kernel that lets us mount;
// why() says what was missing when ok() is false.
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tarvex::testing {

class Mount {
public:
    Mount(const std::string& command, const std::string& point) : point_(point)
    {
        if (geteuid() != 0) {
            why_ = "mounting a scratch file system needs root";
            return;
        }
        mounted_ = std::system((command + " 2>/dev/null").c_str()) == 0;
        if (!mounted_) why_ = "the mount command failed: " + command;
    }
    ~Mount()
    {
        if (mounted_) std::system(("umount " + point_).c_str());
    }
    bool ok() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    std::string point_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace tarvex::testing
