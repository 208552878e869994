#include "webserver/requestreader.h"

#include <utility>

RequestReader::Status RequestReader::next(HttpRequest *request)
{
    QByteArray line;
    while (!m_inHead) {
        switch (m_lines.takeLine(&line)) {
        case RequestLineReader::Status::NeedMore:
            return Status::NeedMore;
        case RequestLineReader::Status::TooLong:
            // Only a request that named a version can be told so.
            return namesHttpVersion(line) ? Status::LineTooLongVersioned : Status::LineTooLong;
        case RequestLineReader::Status::Line:
            break;
        }
        HttpRequest parsed = parseRequestLine(line);
        switch (parsed.kind) {
        case HttpRequest::Kind::Ignored:
            continue;
        case HttpRequest::Kind::Get:
        case HttpRequest::Kind::Head:
            if (parsed.versioned) {
                m_request = std::move(parsed);
                m_inHead = true;
                m_fieldLines = 0;
                m_headSize = line.size();
                continue;
            }
            break;
        case HttpRequest::Kind::BadRequest:
        case HttpRequest::Kind::NotImplemented:
        case HttpRequest::Kind::VersionNotSupported:
            break;
        }
        *request = std::move(parsed);
        return Status::Request;
    }
    return readFields(request);
}

RequestReader::Status RequestReader::readFields(HttpRequest *request)
{
    QByteArray line;
    for (;;) {
        switch (m_lines.takeLine(&line)) {
        case RequestLineReader::Status::NeedMore:
            return Status::NeedMore;
        case RequestLineReader::Status::TooLong:
            m_inHead = false;
            return Status::HeadTooLarge;
        case RequestLineReader::Status::Line:
            break;
        }
        if (line.isEmpty()) {
            m_inHead = false;
            *request = std::exchange(m_request, HttpRequest());
            return Status::Request;
        }
        m_headSize += line.size() + 2;
        if (++m_fieldLines > MaxFieldLines || m_headSize > MaxHeadSize) {
            m_inHead = false;
            return Status::HeadTooLarge;
        }
        readHeaderLine(line, &m_request.headers);
    }
}
