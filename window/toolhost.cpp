#include "toolhost.h"

#include "connection.h"

#include <QFile>

std::shared_ptr<catalogue::Connection> ToolHost::openCatalogue() const
{
    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider(catalogue::Connection::catalogueProvider);
    connection->setConnectionString(QFile::encodeName(cataloguePath()).toStdString());
    connection->open();
    return connection;
}
