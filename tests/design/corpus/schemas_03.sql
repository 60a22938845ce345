-- Personal finance / household budget app (accounts, transactions, budgets, recurring bills).

create table currencies (
    code        char(3) primary key,               -- ISO 4217
    name        text not null,
    symbol      text default '',
    decimals    tinyint not null default 2 check (decimals in (0, 2, 3)),
    rate_to_eur double precision default 1.0
) without rowid;

create table accounts (
    id              integer primary key autoincrement,
    name            varchar(80) not null unique,
    kind            text not null default 'checking'
                    check (kind in ('checking', 'savings', 'credit card', 'cash', 'loan')),
    currency        char(3) not null default 'EUR' references currencies on update cascade,
    opening_balance decimal(12, 2) default 0,
    credit_limit    decimal(12, 2) default -1500.00,   -- negative: overdraft allowed
    iban            varying character(34) unique,
    colour          integer default 0x1F77B4,          -- RGB shown in charts
    sort_key        int default +5,
    closed          boolean default false
);

create table payees (
    id integer primary key,
    name text not null collate nocase,
    default_category integer references categories(id) on delete set null deferrable initially deferred,
    notes text default 'it''s the usual one',
    unique (name)
);

create table categories (
    id        integer primary key,
    parent    integer references categories on delete cascade,   -- self reference, no column list
    name      text not null,
    is_income boolean not null default 0,
    icon      blob default X'00FF',
    unique (parent, name)
);

create table transactions (
    id          integer primary key,
    account_id  integer not null references accounts (id) on delete cascade,
    booked_on   date not null default current_date,
    booked_at   time default current_time,
    amount      decimal(12, 2) not null,        /* signed: < 0 is an expense */
    payee_id    integer references payees (id) on delete set null,
    category_id integer references categories (id) on delete set null,
    memo        text default '',
    cleared     integer not null default 0 check (cleared in (0, 1, 2)),  -- 0 = open, 1 = cleared, 2 = reconciled
    check_no    varchar(10) default '007',
    transfer_id integer references transactions (id) on delete set null,   -- the other half of a transfer
    imported    blob default x'',
    created     real default (julianday('now'))
);

create table splits (
    transaction_id integer not null references transactions on delete cascade,
    seq            integer not null default 1,
    category_id    integer not null references categories,
    amount         decimal(12, 2) not null,
    memo           text,
    primary key (transaction_id, seq)
);

create table budgets (
    category_id integer not null references categories(id) on delete cascade,
    month       text not null check (month glob '[0-9][0-9][0-9][0-9]-[0-1][0-9]'),
    planned     decimal(12, 2) not null default 0.0,
    rollover    boolean default true,
    primary key (category_id, month desc)
) without rowid;

create table recurring (
    id          integer primary key,
    account_id  integer not null references accounts(id) on delete cascade,
    payee_id    integer references payees(id),
    amount      decimal(12, 2) not null,
    every_n     integer not null default 1 check (every_n > 0),
    unit        text not null default 'month' check (unit in ('day', 'week', 'month', 'year')),
    next_due    date not null,
    remind_days integer default (1+2),
    max_amount  real default 1e5,
    tolerance   real default 2.5e-1,
    label       text default "rent"
);

create table exchange_rates (
    base     char(3) not null references currencies(code),
    quote    char(3) not null references currencies(code),
    day      date not null,
    rate     double precision not null check (rate > 0),
    primary key (base, quote, day) on conflict replace
);

create table reports (
    name     text primary key on conflict fail,
    query    text not null,
    settings text default '{"chart": "bar", "months": 12}',
    position integer default -0x10,
    created  text default current_timestamp
);

create index tx_account_date on transactions (account_id, booked_on desc, id desc);
create index tx_uncleared on transactions (account_id) where cleared = 0;
create index tx_payee on transactions (payee_id) where payee_id is not null;
create index tx_month on transactions (substr(booked_on, 1, 7), category_id);
create unique index payees_name_ci on payees (lower(name));

create view account_balances (account, currency, balance) as
    select a.name, a.currency,
           a.opening_balance + coalesce((select sum(t.amount) from transactions t where t.account_id = a.id), 0)
      from accounts a
     where not a.closed;

create view monthly_spending as
    select substr(t.booked_on, 1, 7) as month,
           c.name as category,
           -sum(t.amount) as spent,
           b.planned
      from transactions t
      join categories c on c.id = t.category_id
      left join budgets b on b.category_id = c.id and b.month = substr(t.booked_on, 1, 7)
     where t.amount < 0
     group by 1, 2;

create trigger tx_split_check
after insert on splits
when (select sum(amount) from splits where transaction_id = new.transaction_id)
     > (select abs(amount) from transactions where id = new.transaction_id)
begin
    select raise(abort, 'splits exceed the transaction amount; check the values (END)');
end;

create trigger tx_delete_transfer after delete on transactions
for each row when old.transfer_id is not null
begin
    update transactions set transfer_id = null where id = old.transfer_id;
    delete from transactions where id = old.transfer_id and memo = 'auto transfer';
end;
