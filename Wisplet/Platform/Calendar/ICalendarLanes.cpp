#include "Wisplet/Platform/Calendar/ICalendarLanes.h"

#include <optional>

using namespace ICalendarWire;
using Loss = ICalendarReader::Loss;

// One reader and the file it is on.
class ICalendarLanes::Lane final : public QObject, public ICalendarReader::Client
{
public:
    explicit Lane(ICalendarLanes& lanes)
        : QObject(&lanes)
        , m_lanes(lanes)
        , m_reader(lanes.m_limits, *this, this)
    {
        m_patience.setSingleShot(true);
        m_patience.setTimerType(Qt::CoarseTimer);
        connect(&m_patience, &QTimer::timeout, this, [this] { m_lanes.spillFrom(*this); });
    }

    Q_DISABLE_COPY_MOVE(Lane)

    void take(const Frame& frame) override { m_lanes.takeFrame(*this, frame); }
    void ended(Loss loss) override { m_lanes.laneEnded(*this, loss); }

    ICalendarLanes& m_lanes;
    ICalendarReader m_reader;
    // The file the reader is on, between its reading frame and the next.
    std::optional<Reading> m_current;
    QTimer m_patience{this};
    // The rest is read beside it: this one only finishes the file it is on.
    bool m_spilled = false;
};

ICalendarLanes::ICalendarLanes(ICalendarReader::Limits limits, Client& client, QObject* parent)
    : QObject(parent)
    , m_limits(std::move(limits))
    , m_client(client)
{ }

ICalendarLanes::~ICalendarLanes()
{
    // The lanes are children; their readers are stopped as they go.
    m_lanes.clear();
}

void ICalendarLanes::start()
{
    startLane();
}

void ICalendarLanes::startLane()
{
    QList<Reading> elsewhere;
    for (const Lane* lane : std::as_const(m_lanes)) {
        if (lane->m_current)
            elsewhere.append(*lane->m_current);
    }
    const QByteArray request = m_client.request(elsewhere);
    auto* lane = new Lane(*this);
    m_lanes.append(lane);
    lane->m_reader.start(request);
}

void ICalendarLanes::takeFrame(Lane& lane, const Frame& frame)
{
    // A reader left on its slow file is done once it says what that file gave; the next reader has the rest.
    if (lane.m_spilled && frame.tag != Tag::reading) {
        if (!isFinal(frame.tag))
            m_client.take(frame);
        retire(lane);
        finishWhenIdle();
        return;
    }
    lane.m_current = frame.tag == Tag::reading ? valueOf<Reading>(frame) : std::nullopt;
    if (lane.m_current)
        lane.m_patience.start(patienceMs);
    else
        lane.m_patience.stop();
    m_client.take(frame);
    if (isFinal(frame.tag))
        m_lastFrameTaken = true;
}

void ICalendarLanes::spillFrom(Lane& lane)
{
    if (m_ended || lane.m_spilled || !lane.m_current || m_lanes.size() >= maxReaders)
        return;
    lane.m_spilled = true;
    startLane();
}

void ICalendarLanes::laneEnded(Lane& lane, Loss loss)
{
    const std::optional<Reading> lostOn = lane.m_current;
    const bool spilled = lane.m_spilled;
    retire(lane);
    if (loss == Loss::none) {
        finishWhenIdle();
        return;
    }
    // Not what the file did: it gets one more reader before it is named. That reader passes over what the
    // others are on and have read, so after a spilled reader it reads little more than this file.
    const QString key = lostOn ? lostOn->name : QString();
    if (loss == Loss::killed && !m_retried.contains(key)) {
        m_retried.insert(key);
        startLane();
        return;
    }
    if (!lostOn) {
        finish(loss);
        return;
    }
    m_client.lose(*lostOn, loss);
    if (spilled)
        finishWhenIdle();
    else
        startLane();
}

void ICalendarLanes::retire(Lane& lane)
{
    lane.m_reader.stop();
    lane.m_patience.stop();
    // It may be inside one of its own reader's calls.
    if (m_lanes.removeOne(&lane))
        lane.deleteLater();
}

void ICalendarLanes::finishWhenIdle()
{
    if (m_lastFrameTaken && m_lanes.isEmpty())
        finish(Loss::none);
}

void ICalendarLanes::finish(Loss loss)
{
    if (m_ended)
        return;
    m_ended = true;
    while (!m_lanes.isEmpty())
        retire(*m_lanes.constLast());
    m_client.ended(loss);
}
