#include "EngineProbe.h"

#include <algorithm>

intptr_t FakeHost::callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float) {
    calls().push_back({opcode, index, value});
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::vector<HostCall>& FakeHost::calls() {
    static std::vector<HostCall> recorded;
    return recorded;
}

std::vector<float> runBlocks(Trellisor& effect, const std::vector<float>& input,
                             const std::vector<int32_t>& lengths, std::vector<float>* second) {
    std::vector<float> out0(input.size()), out1(input.size());
    std::vector<float> silent(input.size(), 0.0f);
    size_t pos = 0;
    size_t li = 0;
    while (pos < input.size()) {
        const size_t n = std::min<size_t>(static_cast<size_t>(lengths[li % lengths.size()]), input.size() - pos);
        ++li;
        float* ins[2] = {const_cast<float*>(input.data() + pos), silent.data() + pos};
        float* outs[2] = {out0.data() + pos, out1.data() + pos};
        effect.processReplacing(ins, outs, static_cast<int32_t>(n));
        pos += n;
    }
    if (second != nullptr) *second = std::move(out1);
    return out0;
}
