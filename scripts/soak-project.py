#!/usr/bin/env python3
# Prints, as the JSON that `tarn import` reads, a project of 16 machines for
# long playback runs: four buses, each three generators playing looped
# eight-beat patterns into a Corva Reverb, and the reverbs into the Master,
# at 120 BPM. The first HEAVY generators are four-oscillator Ravel Synths at
# their highest quality, the others Analog Basses; so the number of heavy
# generators (0 to 12) sets the load.
#   scripts/soak-project.py BEATS HEAVY
import json
import sys

BUSES = 4
GENERATORS_PER_BUS = 3
GENERATORS = BUSES * GENERATORS_PER_BUS
HEAVY = ('Tarn Ravel Synth', {
    (3, 100): 1, (3, 120): 1, (3, 140): 1, (3, 160): 1,  # all four oscillators
    (3, 16): 0.7,  # sustain
    (3, 19): 0.8,  # a long release, so that voices overlap
    (3, 300): 20,  # quality
    (1, 0): -42.0,  # volume: four oscillators of overlapping voices are loud
})
LIGHT = ('Tarn Analog Bass', {})
BUS_EFFECT = 'Tarn Corva Reverb'
NOTES_PER_BEAT = 4
ROOTS = [21, 24, 26, 28, 19, 31, 33, 23, 29, 22, 27, 25]


def machine(ident, kind, parameters, position):
    values = {(1, 0): -24.0}  # each machine well below full scale
    values.update(parameters)
    return {
        'id': ident, 'type': kind, 'name': '%s %d' % (kind.replace('Tarn ', ''), ident),
        'tracks': 1, 'position': position, 'state': '',
        'parameters': [{'group': g, 'track': 0, 'index': i, 'value': float(v)}
                       for (g, i), v in values.items()],
        'patterns': [], 'sequence': [],
    }


def loop(root):
    events = []
    for beat in range(8):
        for step in range(NOTES_PER_BEAT):
            events.append({'group': 3, 'track': 0, 'index': 0, 'beat': beat,
                           'time': step / NOTES_PER_BEAT,
                           'value': float(root + (7 * step) % 12 + beat % 4),
                           'length': 0.4, 'velocity': 0.9})
    return {'index': 0, 'name': 'Loop', 'length': 8, 'tpb': NOTES_PER_BEAT,
            'colour': 0xA0C8F0, 'events': events}


def connection(source, destination, index):
    return {'source': source, 'destination': destination, 'index': index,
            'routes': [{'index': 0, 'from': 0, 'to': 0}, {'index': 1, 'from': 1, 'to': 1}]}


def project(beats, heavy):
    machines = [machine(0, 'Tarn Master', {}, [0.5, 0.9])]
    connections = []
    for bus in range(BUSES):
        reverb = machine(len(machines), BUS_EFFECT, {}, [0.125 + 0.25 * bus, 0.6])
        machines.append(reverb)
        connections.append(connection(reverb['id'], 0, bus))
        for slot in range(GENERATORS_PER_BUS):
            number = bus * GENERATORS_PER_BUS + slot
            generator, parameters = HEAVY if number < heavy else LIGHT
            source = machine(len(machines), generator, parameters,
                             [0.04 + 0.25 * bus + 0.08 * slot, 0.2])
            source['patterns'] = [loop(ROOTS[number] + 12 * (number % 3))]
            source['sequence'] = [{'index': 0, 'entries': [
                {'beat': float(b), 'pattern': 0, 'transpose': 0.0}
                for b in range(0, beats, 8)]}]
            machines.append(source)
            connections.append(connection(source['id'], reverb['id'], slot))
    return {'bpm': 120.0, 'song': {'start': 0.0, 'end': float(beats)},
            'loop': {'start': 0.0, 'end': float(beats)}, 'machines': machines,
            'connections': connections, 'waves': []}


if __name__ == '__main__':
    beats, heavy = int(sys.argv[1]), int(sys.argv[2])
    json.dump(project((beats + 7) // 8 * 8, max(0, min(GENERATORS, heavy))), sys.stdout, indent=1)
