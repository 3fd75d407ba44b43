#pragma once

namespace tarn {

class Node;

// An edit of one parameter value from outside the song (an editor, a
// preset): the value is stored and, unless the parameter is a note, also
// queued as a live event, so the machine, output stage or input mixer
// hears it in its next chunk whether the song plays or not. The answer of
// Node::WriteParameter. Project lock held; takes the Node lock.
int ChangeParameter(Node& node, int group, int track, int index, double value);

} // namespace tarn
