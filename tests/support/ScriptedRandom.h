#pragma once

#include "Wisplet/Platform/RandomSource.h"

#include <deque>

// Answers random draws from scripts. With nothing scripted, a uniform draw gives the middle of its range
// and an integer draw its highest value (so "one chance in n" draws, which test for 0, never fire).
class ScriptedRandom final : public RandomSource
{
public:
    double uniform(double low, double high) override
    {
        if (m_doubles.empty())
            return (low + high) / 2;
        const double value = m_doubles.front();
        m_doubles.pop_front();
        return value;
    }

    int integer(int, int high) override
    {
        if (m_integers.empty())
            return high;
        const int value = m_integers.front();
        m_integers.pop_front();
        return value;
    }

    void nextUniform(double value) { m_doubles.push_back(value); }
    void nextInteger(int value) { m_integers.push_back(value); }

private:
    std::deque<double> m_doubles;
    std::deque<int> m_integers;
};
