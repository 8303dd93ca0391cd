// A moment as the local calendar time of this computer, for names and logs.
#pragma once

#include <chrono>
#include <ctime>

std::tm LocalTime(std::chrono::system_clock::time_point time);
