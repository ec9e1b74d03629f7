#pragma once
// The reward-based video ad the game shows, its delegate and the reward it hands out. They live
// in the reward format; the game reaches them through here.
#include "ads/core/DZAdReward.h"
#include "ads/formats/reward/DZRewardBasedVideoAd.h"
#include "ads/formats/reward/DZRewardBasedVideoAdDelegate.h"
