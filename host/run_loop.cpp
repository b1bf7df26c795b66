#include "run_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "hpi/sdk/hpi_host_interfaces.h"

namespace hpihost {

HostRunLoop::HostRunLoop()
    : mWakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), mLoopThread(std::this_thread::get_id()) {}

HostRunLoop::~HostRunLoop() {
    if (mWakeFd >= 0) {
        close(mWakeFd);
    }
}

HostRunLoop::Token HostRunLoop::AddTimer(uint32_t periodMs, TimerCallback callback) {
    if (periodMs == 0 || !callback) {
        return 0;
    }
    Entry entry;
    entry.mIsTimer = true;
    entry.mPeriod = std::chrono::milliseconds(periodMs);
    entry.mDue = Clock::now() + entry.mPeriod;
    entry.mTimer = std::move(callback);
    const Token token = NextToken();
    mEntries.emplace(token, std::move(entry));
    return token;
}

HostRunLoop::Token HostRunLoop::AddDescriptor(int fd, uint32_t events, DescriptorCallback callback) {
    const uint32_t asked = events & (HPI_eFileDescriptorEvent_Readable | HPI_eFileDescriptorEvent_Writable);
    if (fd < 0 || asked == 0 || !callback) {
        return 0;
    }
    Entry entry;
    entry.mIsTimer = false;
    entry.mFd = fd;
    entry.mEvents = asked;
    entry.mDescriptor = std::move(callback);
    const Token token = NextToken();
    mEntries.emplace(token, std::move(entry));
    return token;
}

bool HostRunLoop::Remove(Token token) { return mEntries.erase(token) > 0; }

bool HostRunLoop::IsTimer(Token token) const {
    auto found = mEntries.find(token);
    return found != mEntries.end() && found->second.mIsTimer;
}

bool HostRunLoop::IsDescriptor(Token token) const {
    auto found = mEntries.find(token);
    return found != mEntries.end() && !found->second.mIsTimer;
}

void HostRunLoop::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mPostedLock);
        mPosted.push_back(std::move(task));
    }
    Wake();
}

void HostRunLoop::Wake() {
    if (mWakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(mWakeFd, &one, sizeof(one));
    }
}

int HostRunLoop::RunPosted() {
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(mPostedLock);
            if (mPosted.empty()) {
                return ran;
            }
            task = std::move(mPosted.front());
            mPosted.pop_front();
        }
        task();
        ++ran;
    }
}

int HostRunLoop::RunOnce(int timeoutMs) {
    int ran = RunPosted();

    // How long to wait: until the earliest timer, never past timeoutMs.
    auto now = Clock::now();
    int waitMs = ran > 0 || PostedCount() > 0 ? 0 : std::max(timeoutMs, 0);
    for (const auto& [token, entry] : mEntries) {
        if (entry.mIsTimer) {
            const auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(entry.mDue - now).count();
            waitMs = std::min<int>(waitMs, static_cast<int>(std::max<int64_t>(untilDue, 0)));
        }
    }

    std::vector<pollfd> fds;
    std::vector<Token> fdTokens;
    fds.push_back(pollfd{mWakeFd, POLLIN, 0});
    for (const auto& [token, entry] : mEntries) {
        if (!entry.mIsTimer) {
            short events = 0;
            if (entry.mEvents & HPI_eFileDescriptorEvent_Readable) {
                events |= POLLIN;
            }
            if (entry.mEvents & HPI_eFileDescriptorEvent_Writable) {
                events |= POLLOUT;
            }
            fds.push_back(pollfd{entry.mFd, events, 0});
            fdTokens.push_back(token);
        }
    }
    const int ready = poll(fds.data(), fds.size(), waitMs);

    if (ready > 0) {
        if (fds[0].revents & POLLIN) {
            uint64_t drained = 0;
            [[maybe_unused]] ssize_t got = read(mWakeFd, &drained, sizeof(drained));
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            uint32_t events = 0;
            if (fds[i].revents & POLLIN) {
                events |= HPI_eFileDescriptorEvent_Readable;
            }
            if (fds[i].revents & POLLOUT) {
                events |= HPI_eFileDescriptorEvent_Writable;
            }
            if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                events |= HPI_eFileDescriptorEvent_Error;
            }
            // An earlier callback of this round may have removed the entry.
            auto found = mEntries.find(fdTokens[i - 1]);
            if (found == mEntries.end()) {
                continue;
            }
            DescriptorCallback callback = found->second.mDescriptor;
            callback(found->second.mFd, events);
            ++ran;
        }
    }

    // Timers due now, earliest first; each is looked up again before it fires.
    now = Clock::now();
    std::vector<std::pair<Clock::time_point, Token>> due;
    for (const auto& [token, entry] : mEntries) {
        if (entry.mIsTimer && entry.mDue <= now) {
            due.emplace_back(entry.mDue, token);
        }
    }
    std::sort(due.begin(), due.end());
    for (const auto& [when, token] : due) {
        auto found = mEntries.find(token);
        if (found == mEntries.end()) {
            continue;
        }
        Entry& entry = found->second;
        entry.mDue += entry.mPeriod;
        if (entry.mDue <= now) {
            entry.mDue = now + entry.mPeriod;  // late: one tick, no backlog
        }
        TimerCallback callback = entry.mTimer;  // the entry may go away inside the call
        callback();
        ++ran;
    }

    return ran + RunPosted();
}

std::size_t HostRunLoop::TimerCount() const {
    return static_cast<std::size_t>(
        std::count_if(mEntries.begin(), mEntries.end(), [](const auto& item) { return item.second.mIsTimer; }));
}

std::size_t HostRunLoop::DescriptorCount() const { return mEntries.size() - TimerCount(); }

std::size_t HostRunLoop::PostedCount() const {
    std::lock_guard<std::mutex> lock(mPostedLock);
    return mPosted.size();
}

std::size_t HostRunLoop::RemoveAll() {
    const std::size_t count = mEntries.size();
    mEntries.clear();
    return count;
}

bool HostRunLoop::IsLoopThread() const { return std::this_thread::get_id() == mLoopThread; }

}  // namespace hpihost
