#include "engine/Project.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace tarn {
namespace {

using test::PipeCapture;
using test::TestMachineSetup;

using Lines = std::vector<std::string>;

TestMachineSetup Channels(int inputs, int outputs, const std::string& name = "Test") {
    TestMachineSetup setup;
    setup.inputs = inputs;
    setup.outputs = outputs;
    setup.name = name;
    return setup;
}

// A project whose slot 0 holds a Master stand-in (kind 1, stereo).
struct GraphFixture : ::testing::Test {
    GraphFixture() {
        TestMachineSetup master = Channels(2, 2, "Master");
        master.kind = kKindMaster;
        factory.Define("Tarn Master", master);
        EXPECT_EQ(project.CreateNode("Tarn Master"), 0);
    }

    // The registry name of a test machine with these channels.
    std::string Kind(int inputs = 2, int outputs = 2, const std::string& name = "Test") {
        const std::string kind =
            name + " " + std::to_string(inputs) + "x" + std::to_string(outputs);
        factory.Define(kind, Channels(inputs, outputs, name));
        return kind;
    }

    int Add(int inputs = 2, int outputs = 2, const std::string& name = "Test") {
        return project.CreateNode(Kind(inputs, outputs, name));
    }

    // Routes of the Connection from source into destination, in list order.
    std::vector<std::pair<int, int>> Routes(int source, int destination) {
        std::vector<std::pair<int, int>> routes;
        const Node* node = project.GetNode(destination);
        const Connection* connection = node->InputList().Get(node->FindInput(source));
        if (connection != nullptr) {
            for (auto [index, route] : connection->Routes()) {
                routes.emplace_back(route->sourceChannel, route->destinationChannel);
            }
        }
        return routes;
    }

    std::vector<int> Order() const {
        std::vector<int> ids;
        for (auto [index, node] : project.ProcessOrder()) {
            ids.push_back(node->Id());
        }
        return ids;
    }

    std::vector<bool> Flags(const ChannelBufferSet& set) const {
        std::vector<bool> flags;
        for (int channel = 0; channel < set.Count(); ++channel) {
            flags.push_back(set.Connected(channel));
        }
        return flags;
    }

    test::TestFactory factory;
    Project project{factory.Creator()};
    PipeCapture errors{ErrorOut()};
};

using Graph = GraphFixture;

TEST_F(Graph, IdsAreStableAndReusedLowestFirst) {
    EXPECT_EQ(Add(), 1);
    EXPECT_EQ(Add(), 2);
    EXPECT_EQ(Add(), 3);
    project.NodeOrder() = {0, 2, 1, 3};
    EXPECT_EQ(project.DeleteNode(2), 1);
    EXPECT_EQ(project.GetNode(2), nullptr);
    EXPECT_EQ(project.GetNode(3)->Id(), 3);
    EXPECT_EQ(project.NodeOrder(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(Add(), 2);

    // An explicit id is kept; an occupied or absurd one is refused.
    EXPECT_EQ(project.CreateNode(Kind(), {}, 40), 40);
    EXPECT_EQ(project.GetNode(40)->Id(), 40);
    EXPECT_EQ(project.CreateNode(Kind(), {}, 3), -1);
    EXPECT_EQ(project.CreateNode(Kind(), {}, 1 << 30), -1);
    // A name the factory does not know: its line, and no Node.
    EXPECT_EQ(project.CreateNode("Tarn Nothing", {}, 41), -1);
    EXPECT_EQ(project.GetNode(41), nullptr);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: node 3 already exists", "error: node id 1073741824 is out of range",
                     "error: Tarn Nothing not found"}));
    EXPECT_EQ(project.Nodes().Count(), 5);
    EXPECT_EQ(project.ProcessOrder().Count(), 5);

    EXPECT_EQ(project.GetNode(-1), nullptr);
    EXPECT_EQ(project.GetNode(39), nullptr);
    EXPECT_EQ(project.GetNode(100000), nullptr);

    EXPECT_EQ(project.DeleteNode(0), 0);
    EXPECT_EQ(project.DeleteNode(39), 0);
    EXPECT_EQ(project.DeleteNode(-4), 0);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: master can't be deleted", "error: node 39 does not exist",
                     "error: node -4 does not exist"}));
    EXPECT_NE(project.GetNode(0), nullptr);
}

TEST_F(Graph, ConnectRefusesInTheDocumentedOrder) {
    const int a = Add();
    const int b = Add();
    const int generator = Add(0, 2, "Synth");
    const int sink = Add(2, 0, "Meter");

    EXPECT_EQ(project.ConnectMachines(0, a), 0);
    EXPECT_EQ(project.ConnectMachines(0, 99), 0); // the Master test comes first
    EXPECT_EQ(project.ConnectMachines(98, 99), 0);
    EXPECT_EQ(project.ConnectMachines(98, a), 0);
    EXPECT_EQ(project.ConnectMachines(a, a), 0);
    EXPECT_EQ(project.ConnectMachines(sink, a), 0);
    EXPECT_EQ(project.ConnectMachines(a, generator), 0);
    EXPECT_EQ(project.ConnectMachines(a, b), 1);
    EXPECT_EQ(project.ConnectMachines(a, b), 0);
    EXPECT_EQ(project.ConnectMachines(b, a), 0);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: Master outputs are owned by the audio driver",
                     "error: Master outputs are owned by the audio driver",
                     "error: node 99 does not exist", "error: node 98 does not exist",
                     "error: destination same as source", "error: Meter has no outputs",
                     "error: Synth has no inputs", "error: connection already exists",
                     "error: feedback loops are not allowed (yet!)"}));

    // A longer cycle is refused too, by both kinds of connect.
    const int c = Add();
    EXPECT_EQ(project.ConnectMachines(b, c), 1);
    EXPECT_EQ(project.ConnectMachines(c, a), 0);
    EXPECT_EQ(project.ConnectChannels(c, 0, a, 0), 0);
    EXPECT_EQ(project.ConnectChannels(b, 0, a, 1), 0);
    EXPECT_EQ(project.ConnectChannels(a, 0, a, 1), 0);
    EXPECT_EQ(project.ConnectChannels(0, 0, a, 1), 0);
    EXPECT_EQ(project.ConnectChannels(a, 0, 77, 1), 0);
    EXPECT_EQ(project.ConnectChannels(a, 0, b, 0), 0);
    EXPECT_EQ(
        errors.Take(),
        (Lines{"error: feedback loops are not allowed (yet!)",
               "error: feedback loops are not allowed (yet!)",
               "error: feedback loops are not allowed (yet!)", "error: destination same as source",
               "error: Master outputs are owned by the audio driver",
               "error: node 77 does not exist", "error: connection already exists"}));
    EXPECT_EQ(project.ConnectMachines(a, c), 1); // a diamond is no loop
    EXPECT_TRUE(project.IsUpstream(a, c));
    EXPECT_FALSE(project.IsUpstream(c, a));
}

TEST_F(Graph, DefaultRoutesFollowTheChannelCounts) {
    const int mono = Add(1, 1);
    const int stereo = Add(2, 2);
    const int wide = Add(4, 4);
    const int monoSink = Add(1, 1);
    EXPECT_EQ(project.ConnectMachines(mono, stereo), 1);
    EXPECT_EQ(Routes(mono, stereo), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}}));
    EXPECT_EQ(project.ConnectMachines(stereo, monoSink), 1);
    EXPECT_EQ(Routes(stereo, monoSink), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}}));
    EXPECT_EQ(project.ConnectMachines(stereo, 0), 1);
    EXPECT_EQ(Routes(stereo, 0), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    EXPECT_EQ(project.ConnectMachines(mono, monoSink), 1);
    EXPECT_EQ(Routes(mono, monoSink), (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(project.ConnectMachines(wide, 0), 1);
    EXPECT_EQ(Routes(wide, 0), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    for (auto [index, route] : project.GetNode(0)->InputList().Get(1)->Routes()) {
        EXPECT_EQ(route->gain, 1.0);
    }

    // Putting a Connection at an occupied index replaces the one there.
    EXPECT_EQ(project.GetNode(0)->FindInput(stereo), 0);
    EXPECT_EQ(project.ConnectMachines(mono, 0, 0), 1);
    EXPECT_EQ(project.GetNode(0)->FindInput(mono), 0);
    EXPECT_EQ(project.GetNode(0)->FindInput(stereo), -1);
    EXPECT_EQ(project.ConnectMachines(monoSink, 0, 6), 1);
    EXPECT_EQ(project.GetNode(0)->FindInput(monoSink), 6);
    EXPECT_EQ(project.ConnectMachines(stereo, 0, 40000), 0);
    EXPECT_EQ(errors.Take(), (Lines{"error: connection index 40000 is out of range"}));
}

TEST_F(Graph, ChannelRoutesComeAndGoWithTheirConnection) {
    const int a = Add();
    EXPECT_EQ(project.ConnectChannels(a, 1, 0, 0), 1);
    EXPECT_EQ(Routes(a, 0), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(project.ConnectChannels(a, 0, 0, 1, -1, 5), 1);
    EXPECT_EQ(project.GetNode(0)->InputList().Count(), 1);
    EXPECT_EQ(project.GetNode(0)->InputList().Get(0)->Routes().Get(5)->destinationChannel, 1);
    EXPECT_EQ(project.ConnectChannels(a, 1, 0, 0), 0);
    EXPECT_EQ(errors.Take(), (Lines{"error: connection already exists"}));

    EXPECT_EQ(project.DisconnectChannels(a, 0, 77, 1), 0);
    EXPECT_EQ(project.DisconnectChannels(a, 1, 0, 1), 0);
    EXPECT_EQ(project.DisconnectChannels(a + 1, 1, 0, 0), 0);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: Node 77 does not exist!", "error: channel connection doesn't exist",
                     "error: channel connection doesn't exist"}));
    EXPECT_EQ(project.DisconnectChannels(a, 1, 0, 0), 1);
    EXPECT_EQ(project.GetNode(0)->InputList().Count(), 1);
    EXPECT_EQ(project.DisconnectChannels(a, 0, 0, 1), 1);
    EXPECT_EQ(project.GetNode(0)->InputList().Count(), 0);
    EXPECT_EQ(project.GetNode(0)->FindInput(a), -1);

    // A new Connection goes to the requested index of the input list.
    EXPECT_EQ(project.ConnectChannels(a, 0, 0, 0, 3), 1);
    EXPECT_EQ(project.GetNode(0)->FindInput(a), 3);
    EXPECT_EQ(project.ConnectChannels(a, 1, 0, 1, 0, 40000), 0);
    EXPECT_EQ(errors.Take(), (Lines{"error: route index 40000 is out of range"}));

    EXPECT_EQ(project.DisconnectMachines(0, 2), 0);
    EXPECT_EQ(project.DisconnectMachines(12, 0), 0);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: connection doesn't exist", "error: Node 12 does not exist!"}));
    EXPECT_EQ(project.DisconnectMachines(0, 3), 1);
    EXPECT_TRUE(project.GetNode(0)->InputList().Empty());
}

TEST_F(Graph, DeletingANodeRemovesEveryConnectionFromIt) {
    const int a = Add();
    const int b = Add();
    const int c = Add();
    ASSERT_EQ(project.ConnectMachines(a, b), 1);
    ASSERT_EQ(project.ConnectMachines(a, c), 1);
    ASSERT_EQ(project.ConnectMachines(a, 0), 1);
    ASSERT_EQ(project.ConnectMachines(b, 0), 1);
    ASSERT_EQ(project.ConnectMachines(c, 0), 1);
    EXPECT_EQ(project.DeleteNode(a), 1);
    EXPECT_EQ(project.GetNode(b)->FindInput(a), -1);
    EXPECT_EQ(project.GetNode(c)->FindInput(a), -1);
    EXPECT_EQ(project.GetNode(0)->FindInput(a), -1);
    EXPECT_EQ(project.GetNode(0)->InputList().Count(), 2);
    EXPECT_EQ(Order().size(), 3u);
    EXPECT_EQ(Order().front() == b || Order().front() == c, true);
    EXPECT_EQ(Order()[2], 0);
}

TEST_F(Graph, ProcessOrderRunsDeepestFirstAndUnconnectedNodesLast) {
    const int a = Add();
    const int b = Add();
    const int c = Add();
    const int loose = Add();
    const int looseTail = Add();
    ASSERT_EQ(project.ConnectMachines(b, 0), 1);
    ASSERT_EQ(project.ConnectMachines(a, b), 1);
    ASSERT_EQ(project.ConnectMachines(c, a), 1);
    ASSERT_EQ(project.ConnectMachines(c, 0), 1); // depth is the longest path
    ASSERT_EQ(project.ConnectMachines(looseTail, loose), 1);
    EXPECT_EQ(project.GetNode(c)->Depth(), 3);
    EXPECT_EQ(project.GetNode(a)->Depth(), 2);
    EXPECT_EQ(project.GetNode(b)->Depth(), 1);
    EXPECT_EQ(project.GetNode(0)->Depth(), 0);
    EXPECT_EQ(project.GetNode(loose)->Depth(), -1);
    EXPECT_EQ(project.GetNode(looseTail)->Depth(), -1);
    // Among Nodes that do not reach the Master, sources still come first.
    EXPECT_EQ(Order(), (std::vector<int>{c, a, b, 0, looseTail, loose}));

    const int late = Add();
    EXPECT_EQ(Order().size(), 7u);
    EXPECT_EQ(Order()[3], 0);
    EXPECT_NE(std::find(Order().begin() + 4, Order().end(), late), Order().end());
}

TEST_F(Graph, ConnectedFlagsFollowConnectAndDisconnect) {
    const int mono = Add(1, 1);
    const int stereo = Add(2, 2);
    ASSERT_EQ(project.ConnectMachines(mono, stereo), 1);
    EXPECT_EQ(Flags(project.GetNode(mono)->Outputs()), (std::vector<bool>{true}));
    EXPECT_EQ(Flags(project.GetNode(stereo)->Inputs()), (std::vector<bool>{true, true}));
    EXPECT_EQ(Flags(project.GetNode(stereo)->Outputs()), (std::vector<bool>{false, false}));
    EXPECT_EQ(Flags(project.GetNode(0)->Inputs()), (std::vector<bool>{false, false}));

    ASSERT_EQ(project.ConnectChannels(stereo, 1, 0, 1), 1);
    EXPECT_EQ(Flags(project.GetNode(stereo)->Outputs()), (std::vector<bool>{false, true}));
    EXPECT_EQ(Flags(project.GetNode(0)->Inputs()), (std::vector<bool>{false, true}));

    ASSERT_EQ(project.DisconnectChannels(mono, 0, stereo, 1), 1);
    EXPECT_EQ(Flags(project.GetNode(stereo)->Inputs()), (std::vector<bool>{true, false}));
    ASSERT_EQ(project.DisconnectMachines(stereo, 0), 1);
    EXPECT_EQ(Flags(project.GetNode(stereo)->Inputs()), (std::vector<bool>{false, false}));
    EXPECT_EQ(Flags(project.GetNode(mono)->Outputs()), (std::vector<bool>{false}));

    // Deleting rebuilds only the order: the Master keeps its stale flag until
    // the next connect or disconnect.
    ASSERT_EQ(project.DeleteNode(stereo), 1);
    EXPECT_EQ(Flags(project.GetNode(0)->Inputs()), (std::vector<bool>{false, true}));
    ASSERT_EQ(project.ConnectMachines(mono, 0), 1);
    EXPECT_EQ(Flags(project.GetNode(0)->Inputs()), (std::vector<bool>{true, true}));
}

TEST_F(Graph, RoutesToMissingChannelsAreKeptButNeverTouchABuffer) {
    const int mono = Add(1, 1);
    // Stored projects may hold such routes: they are accepted as they are.
    ASSERT_EQ(project.ConnectChannels(mono, 5, 0, 1), 1);
    ASSERT_EQ(project.ConnectChannels(mono, 0, 0, 9), 1);
    ASSERT_EQ(project.ConnectChannels(mono, -3, 0, -1), 1);
    EXPECT_EQ(Routes(mono, 0), (std::vector<std::pair<int, int>>{{5, 1}, {0, 9}, {-3, -1}}));
    EXPECT_EQ(Flags(project.GetNode(0)->Inputs()), (std::vector<bool>{false, true}));
    EXPECT_EQ(Flags(project.GetNode(mono)->Outputs()), (std::vector<bool>{true}));
    ASSERT_EQ(project.DisconnectChannels(mono, 0, 0, 9), 1);
    EXPECT_EQ(Flags(project.GetNode(mono)->Outputs()), (std::vector<bool>{false}));
}

// Everything about the graph a refused operation must leave alone.
using Snapshot = std::tuple<std::vector<std::tuple<int, int, int, int, int>>, // id, input, route
                            std::vector<int>,                                 // node ids
                            std::vector<int>,                                 // node order
                            std::vector<std::vector<bool>>>;                  // flags

Snapshot Take(const Project& project) {
    Snapshot snapshot;
    for (auto [id, node] : project.Nodes()) {
        std::get<1>(snapshot).push_back(id);
        for (auto [index, connection] : node->InputList()) {
            for (auto [routeIndex, route] : connection->Routes()) {
                std::get<0>(snapshot).emplace_back(id, index, connection->SourceId(),
                                                   route->sourceChannel * 100 + routeIndex,
                                                   route->destinationChannel);
            }
        }
        for (const ChannelBufferSet* set : {&node->Inputs(), &node->Outputs()}) {
            std::vector<bool> flags;
            for (int channel = 0; channel < set->Count(); ++channel) {
                flags.push_back(set->Connected(channel));
            }
            std::get<3>(snapshot).push_back(flags);
        }
    }
    std::get<2>(snapshot) = project.NodeOrder();
    return snapshot;
}

void CheckInvariants(const Project& project) {
    for (auto [id, node] : project.Nodes()) {
        ASSERT_EQ(node->Id(), id);
        for (auto [index, connection] : node->InputList()) {
            const Node* source = project.GetNode(connection->SourceId());
            ASSERT_NE(source, nullptr) << "dangling source " << connection->SourceId();
            ASSERT_NE(source, node);
            ASSERT_FALSE(connection->Routes().Empty());
        }
    }
    // Sources strictly before destinations in one linear order also proves
    // the graph has no cycle.
    std::map<const Node*, int> position;
    for (auto [index, node] : project.ProcessOrder()) {
        ASSERT_EQ(position.count(node), 0u) << "node twice in the process order";
        position[node] = static_cast<int>(position.size());
    }
    ASSERT_EQ(static_cast<int>(position.size()), project.Nodes().Count());
    for (auto [id, node] : project.Nodes()) {
        ASSERT_EQ(position.count(node), 1u);
        if (node->Depth() < 0) {
            ASSERT_GT(position[node], position[project.GetNode(0)]);
        }
        for (auto [index, connection] : node->InputList()) {
            ASSERT_LT(position[project.GetNode(connection->SourceId())], position[node])
                << "source after destination";
        }
    }
}

TEST_F(Graph, RandomEditsKeepTheGraphSound) {
    std::mt19937 random(20240611);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    constexpr int kIds = 14;
    int refused = 0;
    for (int step = 0; step < 6000; ++step) {
        const Snapshot before = Take(project);
        int result = 0;
        switch (pick(0, 6)) {
        case 0:
        case 1:
            result = project.CreateNode(Kind(pick(0, 3), pick(0, 3), "Random"), {},
                                        pick(0, 1) == 0 ? -1 : pick(0, kIds)) >= 0;
            break;
        case 2:
            result = project.DeleteNode(pick(-1, kIds));
            break;
        case 3:
            result = project.ConnectMachines(pick(0, kIds), pick(0, kIds),
                                             pick(0, 2) == 0 ? pick(0, 4) : -1);
            break;
        case 4:
            result = project.ConnectChannels(pick(0, kIds), pick(-1, 3), pick(0, kIds), pick(-1, 3),
                                             pick(0, 2) == 0 ? pick(0, 4) : -1,
                                             pick(0, 2) == 0 ? pick(0, 3) : -1);
            break;
        case 5:
            result = project.DisconnectMachines(pick(0, kIds), pick(0, 4));
            break;
        default: {
            // Aim at an existing route most of the time.
            int destination = pick(0, kIds);
            int source = pick(0, kIds), from = pick(0, 3), to = pick(0, 3);
            if (const Node* node = project.GetNode(destination); node != nullptr) {
                for (auto [index, connection] : node->InputList()) {
                    auto [routeIndex, route] = *connection->Routes().begin();
                    source = connection->SourceId();
                    from = route->sourceChannel;
                    to = route->destinationChannel;
                }
            }
            result = project.DisconnectChannels(source, from, destination, to);
        }
        }
        if (result == 0) {
            ++refused;
            ASSERT_EQ(Take(project), before)
                << "refused operation changed the graph, step " << step;
        }
        ASSERT_NO_FATAL_FAILURE(CheckInvariants(project)) << "step " << step;
        errors.Take();
    }
    // Both outcomes were exercised plenty.
    EXPECT_GT(refused, 1000);
    EXPECT_LT(refused, 5000);
}

} // namespace
} // namespace tarn
