#pragma once
// Lowers the soft limit of open descriptors for a scope, for tests that show
// a walk holds few descriptors at once.
#include <sys/resource.h>

namespace quillon::test {

class DescriptorLimit {
public:
    explicit DescriptorLimit(rlim_t soft) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        ok_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;
    // False when the limit could not be lowered (the test should skip).
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

} // namespace quillon::test
