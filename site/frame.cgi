#!/bin/sh
# Wraps one CGI program's HTML fragment in the site's page frame. The
# program's name arrives as PATH_INFO (/roots); QUERY_STRING and REMOTE_ADDR
# pass through untouched. The programs run from cgi-bin/, so the guest
# book's "../data/" is the site's data directory.
name=${PATH_INFO#/}
case $name in
  kestrum | bolvey) title="Dates and Mileage" ;;
  roots) title="Roots of complex numbers" ;;
  across | across-earlier) title="Guest words" ;;
  circles) title="Circles" ;;
  quindle) title="Day of the Year" ;;
  *)
    printf 'Status: 404 Not Found\r\nContent-Type: text/plain\r\n\r\nNo such program.\n'
    exit 0
    ;;
esac
cd "${0%/*}" || exit 1
printf 'Content-Type: text/html; charset=utf-8\r\n\r\n'
printf '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>%s</title>' "$title"
printf '<link rel="stylesheet" href="/site.css"></head>\n<body>\n'
"$SITE_BIN/$name"
printf '\n<p class="home"><a href="/">All tools</a></p>\n</body></html>\n'
