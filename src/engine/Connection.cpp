#include "engine/Connection.h"

namespace tarn {

int Connection::AddRoute(int sourceChannel, int destinationChannel, int index) {
    return routes_.Place(index, std::make_unique<ChannelConnection>(
                                    ChannelConnection{sourceChannel, destinationChannel, 1.0}));
}

int Connection::FindRoute(int sourceChannel, int destinationChannel) const {
    for (auto [index, route] : routes_) {
        if (route->sourceChannel == sourceChannel &&
            route->destinationChannel == destinationChannel) {
            return index;
        }
    }
    return -1;
}

} // namespace tarn
