#include "gui/VirtualKeyboard.h"

#include "audio/LiveNote.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace tarn {
namespace {

constexpr int kOctaves = 9;
constexpr int kDefaultOctave = 4;
// Semitones of the white keys within an octave, and which semitones are
// black.
constexpr std::array<int, 7> kWhiteSemitones{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<bool, 12> kBlack{false, true,  false, true,  false, false,
                                      true,  false, true,  false, true,  false};

} // namespace

// The keys themselves: draws the piano, the held key lit, and turns mouse
// presses into notes.
class VirtualKeyboard::KeyArea final : public QWidget {
public:
    explicit KeyArea(VirtualKeyboard& keyboard) : QWidget(&keyboard), keyboard_(keyboard) {
        setObjectName("keys");
        setMinimumSize(kWhiteKeys * 18, 70);
    }

    std::optional<int> held;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const double white = static_cast<double>(width()) / kWhiteKeys;
        for (int key = 0; key < kKeys; ++key) {
            if (!kBlack[key % 12]) {
                const QRectF area = KeyRect(key, white);
                painter.setPen(Qt::black);
                painter.setBrush(held == key ? palette().color(QPalette::Highlight) : Qt::white);
                painter.drawRect(area);
            }
        }
        for (int key = 0; key < kKeys; ++key) {
            if (kBlack[key % 12]) {
                painter.setBrush(held == key ? palette().color(QPalette::Highlight) : Qt::black);
                painter.drawRect(KeyRect(key, white));
            }
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        held = keyboard_.KeyAt(event->position().toPoint());
        if (held) {
            keyboard_.Play(*held, 1.0);
        }
        update();
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        if (held) {
            keyboard_.Play(*held, 0.0);
        }
        held.reset();
        update();
    }

public:
    QRectF KeyRect(int key, double white) const {
        const int octave = key / 12;
        const int semitone = key % 12;
        if (kBlack[semitone]) {
            // Between the white keys below and above it.
            const auto below = std::count_if(kWhiteSemitones.begin(), kWhiteSemitones.end(),
                                             [semitone](int tone) { return tone < semitone; });
            const double x = (octave * 7 + below) * white - white * 0.3;
            return {x, 0.0, white * 0.6, height() * 0.6};
        }
        int index = 0;
        while (kWhiteSemitones[index] != semitone) {
            ++index;
        }
        return {(octave * 7 + index) * white, 0.0, white, static_cast<double>(height() - 1)};
    }

private:
    VirtualKeyboard& keyboard_;
};

VirtualKeyboard::VirtualKeyboard(CurrentProject& current, QWidget* parent)
    : QWidget(parent, Qt::Window), current_(current) {
    setObjectName("VirtualKeyboard");
    setWindowTitle(tr("Virtual keyboard"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Octave"), this));
    octave_ = new QSpinBox(this);
    octave_->setObjectName("octave");
    octave_->setRange(0, kOctaves - 1);
    octave_->setValue(kDefaultOctave);
    bar->addWidget(octave_);
    bar->addStretch(1);
    layout->addLayout(bar);
    keys_ = new KeyArea(*this);
    layout->addWidget(keys_, 1);
    resize(420, 140);
}

QWidget& VirtualKeyboard::Keys() {
    return *keys_;
}

int VirtualKeyboard::Octave() const {
    return octave_->value();
}

void VirtualKeyboard::SetOctave(int octave) {
    octave_->setValue(octave);
}

int VirtualKeyboard::NoteOf(int key) const {
    return Octave() * 12 + key;
}

std::optional<int> VirtualKeyboard::KeyAt(QPoint point) const {
    const double white = static_cast<double>(keys_->width()) / kWhiteKeys;
    // Black keys lie on top of the white ones.
    for (const bool black : {true, false}) {
        for (int key = 0; key < kKeys; ++key) {
            if (kBlack[key % 12] == black && keys_->KeyRect(key, white).contains(point)) {
                return key;
            }
        }
    }
    return std::nullopt;
}

int VirtualKeyboard::Play(int key, double gate) {
    ProjectLock hold(current_);
    Project* project = current_.Get();
    return project != nullptr ? SendLiveNote(*project, LiveNote{NoteOf(key), gate}) : 0;
}

} // namespace tarn
