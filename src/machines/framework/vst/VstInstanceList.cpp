#include "machines/framework/vst/VstInstanceList.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace tarn {
namespace {

struct Instance {
    VstAdapter* adapter;
    const vst::Effect* effect;
};

struct Instances {
    std::mutex lock;
    std::vector<Instance> list;
};

Instances& Shared() {
    static Instances instances;
    return instances;
}

} // namespace

void VstInstanceList::Enter(VstAdapter* adapter, const vst::Effect* effect) {
    Instances& instances = Shared();
    std::lock_guard hold(instances.lock);
    instances.list.push_back({adapter, effect});
}

void VstInstanceList::Leave(const VstAdapter* adapter) {
    Instances& instances = Shared();
    std::lock_guard hold(instances.lock);
    std::erase_if(instances.list,
                  [adapter](const Instance& instance) { return instance.adapter == adapter; });
}

VstAdapter* VstInstanceList::Find(const vst::Effect* effect) {
    Instances& instances = Shared();
    std::lock_guard hold(instances.lock);
    const auto found =
        std::find_if(instances.list.begin(), instances.list.end(),
                     [effect](const Instance& instance) { return instance.effect == effect; });
    return found == instances.list.end() ? nullptr : found->adapter;
}

std::int32_t VstInstanceList::Position(const VstAdapter* adapter) {
    Instances& instances = Shared();
    std::lock_guard hold(instances.lock);
    const auto found =
        std::find_if(instances.list.begin(), instances.list.end(),
                     [adapter](const Instance& instance) { return instance.adapter == adapter; });
    return found == instances.list.end()
               ? -1
               : static_cast<std::int32_t>(found - instances.list.begin());
}

std::int32_t VstInstanceList::Count() {
    Instances& instances = Shared();
    std::lock_guard hold(instances.lock);
    return static_cast<std::int32_t>(instances.list.size());
}

} // namespace tarn
