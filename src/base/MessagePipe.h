#pragma once

#include <sstream>
#include <string>

namespace tarn {

// Kinds of lines, fixed per pipe.
enum MessageKind : int { kMessageLine = 1, kErrorLine = 2, kWarningLine = 3 };

using MessageReceiverFunction = void (*)(void* receiver, int kind, const std::string& text);

// A text stream whose lines are handed to one registered receiver when the
// writer ends them with tarn::eol. Every thread writes into its own pending
// line, and receivers are called one line at a time, so lines ended at once
// on different threads (GUI, audio, MIDI) never mix. Without a receiver a
// line stays pending and the next text is appended to it.
class MessagePipe {
public:
    explicit MessagePipe(int slot) : slot_(slot) {}
    MessagePipe(const MessagePipe&) = delete;
    MessagePipe& operator=(const MessagePipe&) = delete;

    // Registering again replaces the previous receiver. A null function
    // disconnects the pipe.
    bool RegisterReceiver(void* receiver, MessageReceiverFunction function, int kind);
    // Clears the registration when it belongs to this receiver object, so
    // that a receiver going away never leaves a dangling pointer behind.
    void UnregisterReceiver(void* receiver);

    template <typename T> MessagePipe& operator<<(const T& value) {
        Pending() << value;
        return *this;
    }
    MessagePipe& operator<<(MessagePipe& (*manipulator)(MessagePipe&)) {
        return manipulator(*this);
    }

    // Delivers this thread's pending line, if a receiver is registered.
    void EndLine();

private:
    std::ostringstream& Pending();

    int slot_;
};

// The end-of-line manipulator: the only way a line is delivered.
MessagePipe& eol(MessagePipe& pipe);

// The three process-wide pipes.
MessagePipe& MessageOut(); // kind 1
MessagePipe& ErrorOut();   // kind 2
MessagePipe& WarningOut(); // kind 3

} // namespace tarn
