#pragma once

#include <QRandomGenerator>

// Random choices behind a seam, so that tests can make them predictable.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Uniform in [low, high].
    virtual double uniform(double low, double high) = 0;
    // Uniform integer in [low, high], both included.
    virtual int integer(int low, int high) = 0;
};

// Draws from a QRandomGenerator: the system's for the program, a seeded one for tests.
class GeneratorRandomSource final : public RandomSource
{
public:
    explicit GeneratorRandomSource(QRandomGenerator generator = QRandomGenerator::securelySeeded())
        : m_generator(generator)
    { }

    double uniform(double low, double high) override { return low + m_generator.generateDouble() * (high - low); }
    int integer(int low, int high) override { return int(m_generator.bounded(qint64(low), qint64(high) + 1)); }

private:
    QRandomGenerator m_generator;
};
