#pragma once

#include "Synthesizer.h"

#include <QList>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

// Collects what one synthesis produced, for the synthesisers' own tests;
// stopAfterChunks makes the synthesis stop as a purge would.
class SynthesisCollector : public SynthesisOutput
{
public:
    int stopAfterChunks = -1;
    std::vector<qint16> samples;
    std::vector<SynthesisEvent> events;
    int chunks = 0;

    bool deliver(std::span<const qint16> s, std::span<const SynthesisEvent> e) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        events.insert(events.end(), e.begin(), e.end());
        return ++chunks != stopAfterChunks;
    }

    QList<std::pair<int, int>> words() const
    {
        QList<std::pair<int, int>> result;
        for (const SynthesisEvent &e : events) {
            if (e.type == SynthesisEvent::Type::Word)
                result.append({e.position, e.length});
        }
        return result;
    }

    QList<int> visemes() const
    {
        QList<int> result;
        for (const SynthesisEvent &e : events) {
            if (e.type == SynthesisEvent::Type::Viseme)
                result.append(e.viseme);
        }
        return result;
    }

    int peak() const
    {
        int p = 0;
        for (const qint16 s : samples)
            p = std::max(p, std::abs(int(s)));
        return p;
    }
};

inline SpeechFragment text(const QString &t)
{
    SpeechFragment f;
    f.text = t;
    return f;
}
