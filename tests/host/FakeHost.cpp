#include "FakeHost.h"

std::vector<HostCall> FakeHost::calls;
std::map<int32_t, intptr_t> FakeHost::answers;
std::function<void(const HostCall&)> FakeHost::onCall;
