#ifndef CORVAX_REWARD_TYPE_H
#define CORVAX_REWARD_TYPE_H

// How a performance variable measures: the reward of the state at one
// instant, or the reward accumulated over an interval. Every non-zero value
// is treated as an interval reward.
enum RewardType : int { InstantOfTime = 0, IntervalOfTime = 1 };

#endif
