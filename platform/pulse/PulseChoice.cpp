#include "platform/pulse/PulseChoice.h"

#include <algorithm>

namespace plat {

namespace {

bool IsHeadsetBus(const std::string& bus) {
    return bus == "usb" || bus == "bluetooth";
}

const PulseDevice* FirstOfCard(const std::vector<PulseDevice>& devices, const std::string& card,
                               const std::string& preferred) {
    const PulseDevice* first = nullptr;
    for (const PulseDevice& d : devices) {
        if (d.monitor || d.card != card)
            continue;
        if (d.name == preferred)
            return &d;
        if (!first)
            first = &d;
    }
    return first;
}

const PulseDevice* AnyMicrophone(const PulseLists& lists) {
    if (const PulseDevice* d = lists.FindSource(lists.defaultSource); d && !d->monitor)
        return d;
    for (const PulseDevice& d : lists.sources)
        if (!d.monitor)
            return &d;
    return nullptr;
}

std::string Shown(const PulseLists& lists, const PulseDevice* device) {
    if (!device)
        return "";
    const PulseCard* card = lists.FindCard(device->card);
    return card && !card->description.empty() ? card->description : device->description;
}

// The mixer of `card` ("" for the card-less devices) among `mixers`.
const PulseMixerMap* MixerOf(const std::vector<PulseMixerMap>& mixers, const std::string& card) {
    for (const PulseMixerMap& m : mixers)
        if (card.empty() ? m.name == kPulseOtherDevices && m.card.empty() : m.card == card)
            return &m;
    return nullptr;
}

// Makes `device` (null for none) the choice's sink, or its source when `input`.
void SetSide(const PulseLists& lists, PulseChoice& choice, bool input, const PulseDevice* device) {
    std::string& name = input ? choice.source : choice.sink;
    std::string& card = input ? choice.sourceCard : choice.sinkCard;
    std::string& shown = input ? choice.microphone : choice.speakers;
    name = device ? device->name : "";
    card = device && lists.FindCard(device->card) ? device->card : "";
    shown = Shown(lists, device);
    if (device && std::find(choice.cardsChosen.begin(), choice.cardsChosen.end(), card) ==
                      choice.cardsChosen.end())
        choice.cardsChosen.push_back(card);
}

} // namespace

PulseChoice ChoosePulseDevices(const PulseLists& lists) {
    const PulseDevice* sink = nullptr;
    const PulseDevice* source = nullptr;

    // A headset: the default's card first, then the list's order.
    const PulseDevice* defaultSink = lists.FindSink(lists.defaultSink);
    const PulseDevice* defaultSource = lists.FindSource(lists.defaultSource);
    int best = -1;
    for (const PulseCard& card : lists.cards) {
        if (!IsHeadsetBus(card.bus))
            continue;
        const PulseDevice* out = FirstOfCard(lists.sinks, card.name, lists.defaultSink);
        const PulseDevice* in = FirstOfCard(lists.sources, card.name, lists.defaultSource);
        if (!out || !in)
            continue;
        const int rank = (defaultSink && defaultSink->card == card.name ? 2 : 0) +
                         (defaultSource && defaultSource->card == card.name ? 1 : 0);
        if (rank > best) {
            best = rank;
            sink = out;
            source = in;
        }
    }
    if (!sink) {
        sink = defaultSink ? defaultSink : lists.sinks.empty() ? nullptr : &lists.sinks.front();
        if (sink && !sink->card.empty())
            source = FirstOfCard(lists.sources, sink->card, lists.defaultSource);
        if (!source)
            source = AnyMicrophone(lists);
    }

    PulseChoice choice;
    SetSide(lists, choice, false, sink);
    SetSide(lists, choice, true, source);
    return choice;
}

PulseChoice ChoosePulseDevice(const PulseLists& lists, PulseChoice choice, bool input,
                              const std::string& name) {
    const PulseDevice* device = input ? lists.FindSource(name) : lists.FindSink(name);
    if (!device || device->monitor)
        return choice;
    SetSide(lists, choice, input, device);
    (input ? choice.sourceFollowsDefault : choice.sinkFollowsDefault) = false;
    return choice;
}

PulseChoice FollowPulseChoice(const PulseLists& lists, PulseChoice choice) {
    if (choice.sinkFollowsDefault || !lists.FindSink(choice.sink)) {
        // The server names its new default a little after the device went.
        const PulseDevice* sink = lists.FindSink(lists.defaultSink);
        SetSide(lists, choice, false, sink || lists.sinks.empty() ? sink : &lists.sinks.front());
        choice.sinkFollowsDefault = true;
    }
    const PulseDevice* source = lists.FindSource(choice.source);
    if (choice.sourceFollowsDefault || !source || source->monitor) {
        SetSide(lists, choice, true, AnyMicrophone(lists));
        choice.sourceFollowsDefault = true;
    }
    return choice;
}

std::vector<PulseMixerMap> MapChosenPulseMixers(const PulseLists& lists,
                                                const PulseChoice& choice) {
    std::vector<PulseMixerMap> all = MapPulseMixers(lists, choice.sink, choice.source);
    std::vector<PulseMixerMap> shown;
    auto add = [&](const std::string& card, const std::string& name) {
        if (const PulseMixerMap* m = MixerOf(all, card)) {
            shown.push_back(*m);
            return;
        }
        PulseMixerMap gone; // unplugged since the choice: no lines to read or write
        gone.name = name.empty() ? kPulseOtherDevices : name;
        gone.card = card;
        shown.push_back(std::move(gone));
    };
    if (!choice.sink.empty() || !choice.source.empty())
        add(choice.sink.empty() ? choice.sourceCard : choice.sinkCard,
            choice.sink.empty() ? choice.microphone : choice.speakers);
    if (!choice.sink.empty() && !choice.source.empty() && choice.sourceCard != choice.sinkCard)
        add(choice.sourceCard, choice.microphone);
    for (PulseMixerMap& m : shown)
        for (PulseElement& e : m.elements)
            if (e.target == PulseTarget::Source && e.device == choice.source) {
                e.chosenInput = true;
                e.pairedSink = choice.sink;
            }
    for (const std::string& card : choice.cardsChosen) {
        const PulseMixerMap* m = MixerOf(all, card);
        if (!m || std::any_of(shown.begin(), shown.end(), [&](const PulseMixerMap& s) {
                return s.card == m->card && s.name == m->name;
            }))
            continue;
        shown.push_back(*m);
        for (ModelLine& destination : shown.back().model.destinations)
            destination.componentType = MIXERLINE_COMPONENTTYPE_DST_UNDEFINED;
    }
    for (PulseMixerMap& m : all)
        if (m.name == kPulseDefaults && m.card.empty())
            shown.push_back(std::move(m));
    return shown;
}

} // namespace plat
