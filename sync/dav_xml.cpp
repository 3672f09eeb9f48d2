#include "sync/dav_xml.h"

#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <span>
#include <vector>

#include "sync/sync_errors.h"

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
const QString kCalServer = QStringLiteral("http://calendarserver.org/ns/");

[[noreturn]] void Invalid(const QXmlStreamReader& xml, const QString& reason) {
    throw ESyncError(QStringLiteral("the server's answer is not valid WebDAV XML: line %1: %2")
                         .arg(xml.lineNumber())
                         .arg(reason));
}

bool Is(const QXmlStreamReader& xml, const QString& ns, QLatin1StringView name) {
    return xml.namespaceUri() == ns && xml.name() == name;
}

// "HTTP/1.1 404 Not Found" -> 404; 0 for a line that is no status line.
int StatusCode(const QString& line) {
    const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = false;
    const int code = parts.size() >= 2 ? parts[1].toInt(&ok) : 0;
    return ok ? code : 0;
}

class TParser {
public:
    explicit TParser(const QByteArray& data) : xml_(data) {}

    TMultiStatus Parse() {
        TMultiStatus result;
        if (!xml_.readNextStartElement()) {
            Fail(QStringLiteral("no root element"));
        }
        if (!Is(xml_, kDav, QLatin1StringView("multistatus"))) {
            Invalid(xml_, QStringLiteral("the root element is <%1>, not a DAV multistatus")
                              .arg(xml_.qualifiedName()));
        }
        while (xml_.readNextStartElement()) {
            if (Is(xml_, kDav, QLatin1StringView("response"))) {
                result.Responses.push_back(Response());
            } else if (Is(xml_, kDav, QLatin1StringView("sync-token"))) {
                result.SyncToken = Text().toUtf8();
            } else {
                xml_.skipCurrentElement();
            }
        }
        // Whatever follows the root must still be well-formed.
        while (!xml_.atEnd()) {
            xml_.readNext();
        }
        if (xml_.hasError()) {
            Fail(xml_.errorString());
        }
        return result;
    }

private:
    [[noreturn]] void Fail(const QString& fallback) {
        Invalid(xml_, xml_.hasError() ? xml_.errorString() : fallback);
    }

    QString Text() {
        const QString text = xml_.readElementText(QXmlStreamReader::IncludeChildElements);
        if (xml_.hasError()) {
            Fail(xml_.errorString());
        }
        return text;
    }

    TDavResource Response() {
        TDavResource resource;
        bool sawHref = false;
        while (xml_.readNextStartElement()) {
            if (Is(xml_, kDav, QLatin1StringView("href"))) {
                resource.Href = HrefPath(Text().trimmed().toUtf8());
                sawHref = true;
            } else if (Is(xml_, kDav, QLatin1StringView("status"))) {
                resource.Status = StatusCode(Text());
            } else if (Is(xml_, kDav, QLatin1StringView("propstat"))) {
                PropStat(resource);
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (xml_.hasError()) {
            Fail(xml_.errorString());
        }
        if (!sawHref) {
            Invalid(xml_, QStringLiteral("a response without href"));
        }
        return resource;
    }

    // Properties count only under a 200 status; they come before or after it.
    void PropStat(TDavResource& resource) {
        TDavResource props;
        int status = 0;
        while (xml_.readNextStartElement()) {
            if (Is(xml_, kDav, QLatin1StringView("prop"))) {
                Props(props);
            } else if (Is(xml_, kDav, QLatin1StringView("status"))) {
                status = StatusCode(Text());
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (status / 100 != 2) {
            return;
        }
        props.Href = resource.Href;
        props.Status = resource.Status;
        if (!props.ETag.isEmpty()) {
            resource.ETag = props.ETag;
        }
        if (!props.CalendarData.isEmpty()) {
            resource.CalendarData = props.CalendarData;
        }
        resource.IsCollection = resource.IsCollection || props.IsCollection;
        resource.IsCalendar = resource.IsCalendar || props.IsCalendar;
        if (props.Components) {
            resource.Components = props.Components;
        }
        if (!props.CTag.isEmpty()) {
            resource.CTag = props.CTag;
        }
        if (!props.SyncToken.isEmpty()) {
            resource.SyncToken = props.SyncToken;
        }
        resource.Reports += props.Reports;
        if (!props.DisplayName.isEmpty()) {
            resource.DisplayName = props.DisplayName;
        }
    }

    void Props(TDavResource& props) {
        while (xml_.readNextStartElement()) {
            if (Is(xml_, kDav, QLatin1StringView("getetag"))) {
                props.ETag = Text().trimmed().toUtf8();
            } else if (Is(xml_, kCalDav, QLatin1StringView("calendar-data"))) {
                props.CalendarData = Text().toUtf8();
            } else if (Is(xml_, kDav, QLatin1StringView("resourcetype"))) {
                while (xml_.readNextStartElement()) {
                    props.IsCollection =
                        props.IsCollection || Is(xml_, kDav, QLatin1StringView("collection"));
                    props.IsCalendar =
                        props.IsCalendar || Is(xml_, kCalDav, QLatin1StringView("calendar"));
                    xml_.skipCurrentElement();
                }
            } else if (Is(xml_, kCalDav, QLatin1StringView("supported-calendar-component-set"))) {
                QStringList components;
                while (xml_.readNextStartElement()) {
                    if (Is(xml_, kCalDav, QLatin1StringView("comp"))) {
                        components.append(xml_.attributes()
                                              .value(QLatin1StringView("name"))
                                              .toString()
                                              .toUpper());
                    }
                    xml_.skipCurrentElement();
                }
                props.Components = components;
            } else if (Is(xml_, kCalServer, QLatin1StringView("getctag"))) {
                props.CTag = Text().trimmed().toUtf8();
            } else if (Is(xml_, kDav, QLatin1StringView("sync-token"))) {
                props.SyncToken = Text().trimmed().toUtf8();
            } else if (Is(xml_, kDav, QLatin1StringView("supported-report-set"))) {
                Reports(props.Reports);
            } else if (Is(xml_, kDav, QLatin1StringView("displayname"))) {
                props.DisplayName = Text();
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    // supported-report / report / the report's own element.
    void Reports(QStringList& reports) {
        while (xml_.readNextStartElement()) {
            if (Is(xml_, kDav, QLatin1StringView("supported-report"))) {
                while (xml_.readNextStartElement()) {
                    if (Is(xml_, kDav, QLatin1StringView("report"))) {
                        while (xml_.readNextStartElement()) {
                            reports.append(xml_.name().toString());
                            xml_.skipCurrentElement();
                        }
                    } else {
                        xml_.skipCurrentElement();
                    }
                }
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    QXmlStreamReader xml_;
};

// Writes one request document: the root in its namespace, with the DAV and CalDAV
// prefixes declared.
class TBody {
public:
    TBody(const QString& ns, const QString& root) : xml_(&out_) {
        xml_.writeStartDocument();
        xml_.writeNamespace(kDav, QStringLiteral("D"));
        xml_.writeNamespace(kCalDav, QStringLiteral("C"));
        xml_.writeNamespace(kCalServer, QStringLiteral("CS"));
        xml_.writeStartElement(ns, root);
    }
    QXmlStreamWriter& Xml() { return xml_; }
    void Props(std::span<const std::pair<QString, QString>> props) {
        xml_.writeStartElement(kDav, QStringLiteral("prop"));
        for (const auto& [ns, name] : props) {
            xml_.writeEmptyElement(ns, name);
        }
        xml_.writeEndElement();
    }
    void Props(std::initializer_list<std::pair<QString, QString>> props) {
        Props(std::span(props.begin(), props.size()));
    }
    QByteArray Done() {
        xml_.writeEndDocument();
        return out_;
    }

private:
    QByteArray out_;
    QXmlStreamWriter xml_;
};

std::pair<QString, QString> Dav(const char* name) {
    return {kDav, QLatin1String(name)};
}

}  // namespace

TMultiStatus ParseMultiStatus(const QByteArray& xml) {
    return TParser(xml).Parse();
}

QString HrefPath(const QByteArray& href) {
    const QUrl url = QUrl::fromEncoded(href);
    return url.isValid() ? url.path(QUrl::FullyDecoded) : QString::fromUtf8(href);
}

QByteArray EncodedPath(const QString& path) {
    QUrl url;
    url.setPath(path, QUrl::DecodedMode);
    return url.toEncoded();
}

QByteArray CollectionPropfindBody(bool withChangeTag) {
    TBody body(kDav, QStringLiteral("propfind"));
    std::vector<std::pair<QString, QString>> props = {
        Dav("resourcetype"),
        {kCalDav, QStringLiteral("supported-calendar-component-set")},
        Dav("supported-report-set"),
        Dav("displayname")};
    if (withChangeTag) {
        props.insert(props.begin() + 2, {kCalServer, QStringLiteral("getctag")});
    }
    body.Props(props);
    return body.Done();
}

QByteArray CollectionETagPropfindBody() {
    TBody body(kDav, QStringLiteral("propfind"));
    body.Props({Dav("getetag"), {kCalServer, QStringLiteral("getctag")}});
    return body.Done();
}

QByteArray SyncCollectionBody(const QByteArray& token) {
    TBody body(kDav, QStringLiteral("sync-collection"));
    body.Xml().writeTextElement(kDav, QStringLiteral("sync-token"), QString::fromUtf8(token));
    body.Xml().writeTextElement(kDav, QStringLiteral("sync-level"), QStringLiteral("1"));
    body.Props({Dav("getetag")});
    return body.Done();
}

QByteArray TodoETagsQueryBody() {
    TBody body(kCalDav, QStringLiteral("calendar-query"));
    body.Props({Dav("getetag")});
    QXmlStreamWriter& xml = body.Xml();
    xml.writeStartElement(kCalDav, QStringLiteral("filter"));
    xml.writeStartElement(kCalDav, QStringLiteral("comp-filter"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VCALENDAR"));
    xml.writeEmptyElement(kCalDav, QStringLiteral("comp-filter"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VTODO"));
    xml.writeEndElement();
    xml.writeEndElement();
    return body.Done();
}

QByteArray MultigetBody(const std::vector<QString>& paths) {
    TBody body(kCalDav, QStringLiteral("calendar-multiget"));
    body.Props({Dav("getetag"), {kCalDav, QStringLiteral("calendar-data")}});
    for (const QString& path : paths) {
        body.Xml().writeTextElement(kDav, QStringLiteral("href"),
                                    QString::fromLatin1(EncodedPath(path)));
    }
    return body.Done();
}

QByteArray ComponentSetPatchBody(const QStringList& components) {
    TBody body(kDav, QStringLiteral("propertyupdate"));
    QXmlStreamWriter& xml = body.Xml();
    xml.writeStartElement(kDav, QStringLiteral("set"));
    xml.writeStartElement(kDav, QStringLiteral("prop"));
    xml.writeStartElement(kCalDav, QStringLiteral("supported-calendar-component-set"));
    for (const QString& component : components) {
        xml.writeEmptyElement(kCalDav, QStringLiteral("comp"));
        xml.writeAttribute(QStringLiteral("name"), component);
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    return body.Done();
}
