-- Chat / messaging client cache: accounts, contacts, conversations, messages, reactions, drafts.

CREATE TABLE account(
  id integer primary key check (id = 1),   -- single row table
  user_id text not null,
  display_name text,
  avatar blob,
  status_text text default '-- away --',   /* the dashes belong to the string */
  token text,
  last_sync integer default 0
);

CREATE TABLE contacts(
  user_id   text primary key,
  name      text not null default '',
  nick      text collate nocase,
  phone     text unique on conflict replace,
  blocked   integer not null default 0 check(blocked in (0,1)),
  presence  text default 'offline' check(presence in ('online','away','busy','offline')),
  last_seen integer,
  profile   text check(profile is null or json_valid(profile)),
  city      text generated always as (json_extract(profile, '$.address.city')) virtual
) without rowid;

CREATE TABLE conversations
(
	id		integer primary key autoincrement,
	kind		text not null default 'direct' check (kind in ('direct','group','channel')),
	title		text,
	created_by	text references contacts(user_id) on delete set null,
	created_at	integer not null default (strftime('%s','now')),
	muted_until	integer default null,
	archived	boolean default false,
	pinned		integer default 0,
	unread		integer not null default 0 check (unread >= 0)
);

CREATE TABLE members (
        conversation_id integer not null references conversations on delete cascade,
        user_id text not null references contacts on delete cascade,
        role text not null default 'member'
             check (role in ('owner', 'admin', 'member', 'read-only')),
        joined_at integer,
        primary key (conversation_id, user_id)
) without rowid;

CREATE TABLE messages (
    id              integer primary key,
    conversation_id integer not null
                    references conversations (id)
                    on delete cascade
                    on update no action
                    deferrable initially deferred,
    sender          text /* null = me */ references contacts (user_id) on delete set null,
    server_id       text unique,
    reply_to        integer references messages on delete set null,
    sent_at         integer not null,
    edited_at       integer,
    body            text default '',
    kind            text not null default 'text'
                    check (kind in ('text', 'image', 'file', 'voice', 'sticker', 'system')),
    state           integer not null default 0,   -- 0 queued, 1 sent, 2 delivered, 3 read, -1 failed
    preview         text generated always as (substr(replace(body, char(10), ' '), 1, 80)) virtual,
    deleted         boolean default false,
    check (state between -1 and 3)
);

CREATE TABLE attachments (
  message_id integer not null references messages(id) on delete cascade,
  idx        integer not null default 0,
  mime       text not null,
  name       text,
  size       integer check (size >= 0),
  width      integer,
  height     integer,
  duration_ms integer,
  local_path text,
  thumb      blob,
  primary key (message_id, idx)
) strict;

CREATE TABLE reactions (
  message_id integer not null references messages on delete cascade,
  user_id    text not null,
  emoji      text not null check (length(emoji) between 1 and 8),
  at         integer default (unixepoch()),
  unique (message_id, user_id, emoji) on conflict ignore
);

CREATE TABLE drafts (
  conversation_id integer primary key references conversations(id) on delete cascade,
  body text not null default '/* nothing yet */',
  updated integer
);

CREATE TABLE outbox (
  id        integer primary key,
  message_id integer not null unique references messages(id) on delete cascade,
  attempts  integer not null default 0,
  next_try  integer not null default 0,
  last_error text,
  payload   any
) strict;

CREATE TABLE sync_state (
  stream      text not null,
  shard       integer not null default 0,
  cursor      text,
  updated_at  text default current_timestamp,
  primary key (stream, shard)
) strict, without rowid;

create index messages_conv_time on messages (conversation_id, sent_at desc);
create index messages_unsent on messages (state) where state < 1;
create index messages_replies on messages (reply_to) where reply_to is not null;
create index contacts_name on contacts (name collate nocase);
create index contacts_city on contacts (city) where city is not null;
create index conversations_order on conversations (pinned desc, archived, id desc);
create index reactions_msg on reactions (message_id);

create view inbox as
  select c.id, coalesce(c.title, ct.name, 'Unknown') as title, c.unread,
         m.preview, m.sent_at
    from conversations c
    left join messages m on m.id = (select max(id) from messages where conversation_id = c.id and not deleted)
    left join contacts ct on c.kind = 'direct' and ct.user_id = m.sender
   where not c.archived
   order by c.pinned desc, m.sent_at desc;

create view message_list (id, conversation_id, sender, body, reactions) as
  select m.id, m.conversation_id, coalesce(ct.nick, ct.name, 'me'), m.body,
         (select group_concat(emoji, '  ') from reactions r where r.message_id = m.id)
    from messages m left join contacts ct on ct.user_id = m.sender
   where not m.deleted;

create trigger messages_unread after insert on messages
for each row when new.sender is not null
begin
  update conversations set unread = unread + 1 where id = new.conversation_id;
end;

create trigger messages_read after update of state on messages
for each row when new.state = 3 and old.state < 3 and new.sender is not null
begin
  update conversations set unread = max(unread - 1, 0) where id = new.conversation_id;
end;

create trigger messages_soft_delete before delete on messages
for each row when old.server_id is not null
begin
  update messages set deleted = true, body = '', edited_at = strftime('%s','now') where id = old.id;
  insert into outbox (message_id, payload) values (old.id, '{"op": "delete; END"}')
    on conflict (message_id) do update set attempts = 0;
  select raise(ignore);
end;
