#include "base/MessagePipe.h"

#include <array>
#include <mutex>

namespace tarn {
namespace {

constexpr int kPipeCount = 3;

struct Receiver {
    void* object = nullptr;
    MessageReceiverFunction function = nullptr;
    int kind = 0;
};

// One lock for all pipes: receivers (the console log and its file) see one
// line at a time whichever pipe it came from. Recursive so that a receiver
// may itself write to a pipe.
std::recursive_mutex& DeliveryLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::array<Receiver, kPipeCount>& Receivers() {
    static std::array<Receiver, kPipeCount> receivers;
    return receivers;
}

} // namespace

bool MessagePipe::RegisterReceiver(void* receiver, MessageReceiverFunction function, int kind) {
    std::lock_guard guard(DeliveryLock());
    Receivers()[slot_] = Receiver{receiver, function, kind};
    return true;
}

void MessagePipe::UnregisterReceiver(void* receiver) {
    std::lock_guard guard(DeliveryLock());
    if (Receivers()[slot_].object == receiver) {
        Receivers()[slot_] = Receiver{};
    }
}

std::ostringstream& MessagePipe::Pending() {
    thread_local std::array<std::ostringstream, kPipeCount> pending;
    return pending[slot_];
}

void MessagePipe::EndLine() {
    std::lock_guard guard(DeliveryLock());
    const Receiver receiver = Receivers()[slot_];
    if (receiver.function == nullptr) {
        return;
    }
    std::ostringstream& line = Pending();
    const std::string text = line.str();
    line.str(std::string());
    receiver.function(receiver.object, receiver.kind, text);
}

MessagePipe& eol(MessagePipe& pipe) {
    pipe.EndLine();
    return pipe;
}

MessagePipe& MessageOut() {
    static MessagePipe pipe(0);
    return pipe;
}

MessagePipe& ErrorOut() {
    static MessagePipe pipe(1);
    return pipe;
}

MessagePipe& WarningOut() {
    static MessagePipe pipe(2);
    return pipe;
}

} // namespace tarn
