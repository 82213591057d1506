#pragma once
// Button 1017: starts a pattern search from the sector on display to the last
// sector, and while a job runs it is that job's STOP button.
class ViewHost;

class SearchCommand {
public:
    explicit SearchCommand(ViewHost& host) : m_host(host) {}

    void OnSearchButton();

private:
    ViewHost& m_host;
};
