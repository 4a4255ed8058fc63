#pragma once

// How long the user has been away from the keyboard, pointer and every other input device.
class IdleSource
{
public:
    virtual ~IdleSource() = default;

    // Seconds since the last input event of the session; 0 when that cannot be known.
    virtual double secondsSinceLastInput() const = 0;
};

// Where idle time cannot be read, the user always counts as present.
class NullIdleSource final : public IdleSource
{
public:
    double secondsSinceLastInput() const override { return 0; }
};
